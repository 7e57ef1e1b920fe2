#include "orvek_kernel/simd.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "orvek_kernel/hom_vec4.hpp"

namespace orvek_kernel {
namespace {

// The zero-norm bound held as f32 (1.0000000036274937e-15), compared with the squared length.
constexpr float kZeroLengthSq = static_cast<float>(ZERO_NORM);

constexpr std::uint64_t kInvSqrtMagic = 0x5fe6eb50c7b537a9;

}  // namespace

f32x4 simdNormalize3(f32x4 v) noexcept {
  const float d = simdDot4(v, v);
  if (d < kZeroLengthSq) return f32x4(0.0f, 0.0f, 0.0f, 1.0f);
  const float len = std::sqrt(d);  // the f32 overload
  // One division of all four lanes, w included; no reciprocal is formed.
  return f32x4(_mm_div_ps(v.lanes, _mm_set1_ps(len)));
}

double cordicInvSqrt(double x) noexcept {
  if (x <= 0.0) return 0.0;
  // NaN fails every ordered comparison. Caught here, before the bit trick: a NaN with its
  // sign bit set would make the magic subtraction below wrap around.
  if (x != x) return x;
  // The steps below would turn +inf into -inf (inf - inf products); 0 is the limit.
  if (x == std::numeric_limits<double>::infinity()) return 0.0;

  // x is now positive and finite, so bits >> 1 < 2^62 < magic: the subtraction cannot wrap.
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  double y = std::bit_cast<double>(kInvSqrtMagic - (bits >> 1));
  const double half_x = 0.5 * x;
  // Three Newton–Raphson steps, written out; no early exit on a tolerance.
  y = y * (1.5 - ((half_x * y) * y));
  y = y * (1.5 - ((half_x * y) * y));
  y = y * (1.5 - ((half_x * y) * y));
  return y;
}

}  // namespace orvek_kernel
