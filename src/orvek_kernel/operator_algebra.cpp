#include "orvek_kernel/operator_algebra.hpp"

#include <cstddef>

namespace orvek_kernel {

PGL4 computeResonance(PGL4 a) noexcept {
  const PGL4 at = a.transpose();
  PGL4 result{};
  // a and at share the storage layout, so the flat loop gives a(r, c) − a(c, r) everywhere.
  for (std::size_t i = 0; i < 16; ++i) result.data[i] = a.data[i] - at.data[i];
  return result;
}

PGL4 computeProjector(PGL4 jc, double delta) noexcept {
  const PGL4 I4 = PGL4::identity();
  const PGL4 jct = jc.transpose();
  PGL4 jjt = PGL4::mul(jc, jct);  // jc·jcᵀ, not jcᵀ·jc
  for (std::size_t i = 0; i < 4; ++i) jjt.set(i, i, jjt.get(i, i) + delta);
  // inverse() shifts by delta again: the matrix inverted is jc·jcᵀ + 2·delta·I.
  const PGL4 jjt_inv = jjt.inverse(delta, 8);
  const PGL4 middle = PGL4::mul(jct, jjt_inv);
  const PGL4 projector_part = PGL4::mul(middle, jc);
  PGL4 pi_lambda = I4;
  for (std::size_t i = 0; i < 16; ++i) pi_lambda.data[i] = pi_lambda.data[i] - projector_part.data[i];
  return pi_lambda;
}

PGL4 deformedTensorProduct(PGL4 x, PGL4 y, double epsilon) noexcept {
  PGL4 result = PGL4::mul(x, y);
  // Fixed grouping: (epsilon·x)·y, then added to the ordinary product.
  for (std::size_t i = 0; i < 16; ++i) result.data[i] = result.data[i] + ((epsilon * x.data[i]) * y.data[i]);
  return result;
}

}  // namespace orvek_kernel
