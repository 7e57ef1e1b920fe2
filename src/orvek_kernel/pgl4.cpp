#include "orvek_kernel/pgl4.hpp"

#include <cmath>

namespace orvek_kernel {

PGL4 PGL4::mul(const PGL4& a, const PGL4& b) noexcept {
  PGL4 result{};
  for (std::size_t col = 0; col < 4; ++col) {
    for (std::size_t row = 0; row < 4; ++row) {
      // sum = (((0 + a(r,0)b(0,c)) + a(r,1)b(1,c)) + a(r,2)b(2,c)) + a(r,3)b(3,c)
      double sum = 0.0;
      for (std::size_t k = 0; k < 4; ++k) sum = sum + a.data[k * 4 + row] * b.data[col * 4 + k];
      result.data[col * 4 + row] = sum;
    }
  }
  return result;
}

HomVec4 PGL4::apply(HomVec4 v) const noexcept {
  const double component[4] = {v.x, v.y, v.z, v.w};
  double result[4] = {0.0, 0.0, 0.0, 0.0};
  for (std::size_t row = 0; row < 4; ++row) {
    for (std::size_t col = 0; col < 4; ++col) result[row] = result[row] + data[col * 4 + row] * component[col];
  }
  return HomVec4::init(result[0], result[1], result[2], result[3]);
}

PGL4 PGL4::transpose() const noexcept {
  PGL4 result{};
  for (std::size_t row = 0; row < 4; ++row) {
    for (std::size_t col = 0; col < 4; ++col) result.data[col * 4 + row] = data[row * 4 + col];
  }
  return result;
}

PGL4 PGL4::normalizeDet() const noexcept {
  const double d = det();
  if (std::fabs(d) < 1e-15) return *this;
  // A positive factor: the sign of the determinant is kept.
  const double det_scale = std::pow(std::fabs(d), -0.25);
  PGL4 result = *this;
  for (std::size_t i = 0; i < 16; ++i) result.data[i] = result.data[i] * det_scale;
  return result;
}

PGL4 PGL4::inverse(double delta, std::uint32_t max_iter) const noexcept {
  const PGL4 I4 = identity();

  PGL4 m_reg = *this;
  for (std::size_t i = 0; i < 4; ++i) m_reg.set(i, i, m_reg.get(i, i) + delta);

  // Starting guess X0 = mᵀ / ‖m‖F²: m·X0 is symmetric with eigenvalues in (0, 1), so every
  // pass shrinks the error. A zero m makes it 0/0, all NaN.
  const PGL4 mt = m_reg.transpose();
  double norm_sq = 0.0;
  for (std::size_t i = 0; i < 16; ++i) norm_sq = norm_sq + m_reg.data[i] * m_reg.data[i];
  PGL4 x = mt;
  for (std::size_t i = 0; i < 16; ++i) x.data[i] = mt.data[i] / norm_sq;
  if (max_iter == 0) return x;

  // The residual product of one pass is the m·x the next pass starts from; it is formed
  // once and carried over, which changes no bit of the result.
  PGL4 mx = mul(m_reg, x);
  for (std::uint32_t pass = 0; pass < max_iter; ++pass) {
    PGL4 two_i_minus_mx = I4;
    for (std::size_t i = 0; i < 16; ++i) two_i_minus_mx.data[i] = 2.0 * I4.data[i] - mx.data[i];
    x = mul(x, two_i_minus_mx);

    const PGL4 residual_check = mul(m_reg, x);
    double residual = 0.0;
    // fmax skips a NaN operand, so an all-NaN iterate leaves the residual at 0 and stops the loop.
    for (std::size_t i = 0; i < 16; ++i) residual = std::fmax(residual, std::fabs(residual_check.data[i] - I4.data[i]));
    if (residual < 1e-12) break;
    mx = residual_check;
  }
  return x;
}

}  // namespace orvek_kernel
