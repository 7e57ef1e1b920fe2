#include "orvek_kernel/pgl4.hpp"

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

}  // namespace orvek_kernel
