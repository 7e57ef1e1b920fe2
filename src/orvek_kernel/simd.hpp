#pragma once
/// Four-lane single-precision vector routines and a fast inverse square root.
///
/// These stand beside the double-precision point type and do not use it. Every lane
/// operation is one SSE instruction on the whole vector; the reductions that follow
/// run in a fixed order, so the results are the same bits on every build.

#include <xmmintrin.h>

#include <array>

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/rounded.hpp"

namespace orvek_kernel {

/// Four f32 lanes (x, y, z, w) in one 16-byte SSE register.
///
/// A struct holding only an `__m128` is classified as one SSE value by the x86-64
/// calling convention, so it is passed and returned in an XMM register like the bare
/// vector type. The constructor is the spelling `f32x4(x, y, z, w)`.
struct alignas(16) f32x4 {
  __m128 lanes;  ///< lane 0 is x, lane 3 is w

  /// The vector with lanes 0..3 set to x, y, z, w.
  f32x4(float x, float y, float z, float w) noexcept : lanes(_mm_setr_ps(x, y, z, w)) {}

  /// Wraps a raw SSE value without changing its lanes.
  explicit f32x4(__m128 raw) noexcept : lanes(raw) {}
};

static_assert(sizeof(f32x4) == 16, "f32x4 must be exactly one SSE register");
static_assert(alignof(f32x4) == 16, "f32x4 must be aligned like an SSE register");

/// The four lanes of `v` in order x, y, z, w.
inline std::array<float, 4> simdLanes(f32x4 v) noexcept {
  alignas(16) std::array<float, 4> out;
  _mm_store_ps(out.data(), v.lanes);
  return out;
}

/// The 4-D dot product: one 4-lane multiply, then the lanes summed ((0 + 1) + 2) + 3 in f32.
inline float simdDot4(f32x4 a, f32x4 b) noexcept {
  __m128 product = _mm_mul_ps(a.lanes, b.lanes);
  // Inlined into the caller's code, whose options may allow contraction: keep the
  // multiply apart from the sums below.
  forgetOrigin(product);
  const std::array<float, 4> p = simdLanes(f32x4(product));
  // Fixed accumulation order: a horizontal-add tree would round differently.
  return ((p[0] + p[1]) + p[2]) + p[3];
}

/// `v` scaled to unit length over all four lanes, or (0, 0, 0, 1) when its squared length is below 1e-15.
///
/// The threshold is 1e-15 rounded to f32 and is compared with the squared length;
/// the scaling is one 4-lane division by the broadcast square root. A NaN lane gives
/// NaN lanes.
f32x4 simdNormalize3(f32x4 v) noexcept;

/// An approximation of 1/√x: a bit-level first estimate refined by three Newton–Raphson steps.
///
/// For a positive normal x the result lies within a relative 3.2e-11 below the exact
/// value (for example 0.49999999998619 for 4); subnormal inputs are far less accurate.
/// x ≤ 0 (−0 and −∞ included) gives 0, +∞ gives 0 (its limit) and a NaN of either
/// sign is returned as it came. Calls no library function.
double cordicInvSqrt(double x) noexcept;

}  // namespace orvek_kernel
