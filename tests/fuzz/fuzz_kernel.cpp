// fuzz_kernel: arbitrary bytes as doubles and floats to every kernel operation, checking
// the properties the kernel promises for any input and aborting on the first violation.
//
// Each input is decoded into two points, a tolerance, two matrices, scalars and two 4-lane
// vectors (see fuzz_input.hpp); a selector byte can derive the second point from the first
// (its negation, a multiple, the point itself) so that the related-pair properties are hit.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz_input.hpp"
#include "orvek_kernel/orvek_kernel.hpp"

namespace {

using orvek_fuzz::bitsOf;
using orvek_fuzz::isNaN;
using orvek_fuzz::require;
using orvek_fuzz::sameBits;
using orvek_kernel::f32x4;
using orvek_kernel::HomVec4;
using orvek_kernel::PGL4;

constexpr double kHalfPi = 1.5707963267948966;

bool hasNaN(HomVec4 v) { return isNaN(v.x) || isNaN(v.y) || isNaN(v.z) || isNaN(v.w); }
bool allFinite(HomVec4 v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}
bool allFinite(const PGL4& m) {
  for (double d : m.data) {
    if (!std::isfinite(d)) return false;
  }
  return true;
}
HomVec4 negated(HomVec4 v) { return HomVec4::init(-v.x, -v.y, -v.z, -v.w); }

// Equal bits, or both NaN (which NaN comes out is not specified).
bool sameResult(double a, double b) { return sameBits(a, b) || (isNaN(a) && isNaN(b)); }

void checkMetric(HomVec4 a, HomVec4 b) {
  const double d = orvek_kernel::fsDistance(a, b);
  require(d >= 0.0 && d <= kHalfPi, "fsDistance lies in [0, pi/2] and is never NaN");
  require(sameBits(d, orvek_kernel::fsDistance(b, a)), "fsDistance is exactly symmetric");
  if (hasNaN(a) || hasNaN(b)) require(d == 0.0, "fsDistance with a NaN coordinate is 0");
  if (a.norm() < 1e-15 || b.norm() < 1e-15) require(d == 0.0, "fsDistance with a (near) zero vector is 0");
  require(orvek_kernel::fsDistance(a, HomVec4::zero()) == 0.0, "fsDistance to the zero vector is 0");
}

void checkPoint(HomVec4 a, HomVec4 b, double tol) {
  const double n = a.norm();
  const HomVec4 u = a.normalize();
  if (n < 1e-15) {
    require(sameBits(u.x, 0.0) && sameBits(u.y, 0.0) && sameBits(u.z, 0.0) && sameBits(u.w, 1.0),
            "normalize of a vector with norm below 1e-15 is exactly (0, 0, 0, 1)");
  } else if (!isNaN(n)) {
    const HomVec4 v = negated(a).normalize();
    require(sameResult(v.x, -u.x) && sameResult(v.y, -u.y) && sameResult(v.z, -u.z) && sameResult(v.w, -u.w),
            "normalize(-v) is the negation of normalize(v)");
  }

  require(HomVec4::isAntipodalTo(a, b, tol) == HomVec4::isSamePoint(a, b, tol),
          "isAntipodalTo gives the answer of isSamePoint");
  if (tol > 0.0) {
    require(!HomVec4::isSamePoint(a, HomVec4::zero(), tol) && !HomVec4::isSamePoint(HomVec4::zero(), a, tol),
            "no vector is the same point as the zero vector");
  }
  require(HomVec4::isSamePoint(a, b, tol) == HomVec4::isSamePoint(b, a, tol), "isSamePoint is symmetric");

  // The chart of the largest magnitude; ties go to the earlier of W, X, Y, Z.
  const std::array<double, 4> magnitude = {std::fabs(a.w), std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)};
  const auto card = static_cast<std::size_t>(a.pickBestCard());
  require(card < 4, "pickBestCard returns one of the four charts");
  if (!hasNaN(a)) {
    for (std::size_t i = 0; i < 4; ++i) {
      require(magnitude[i] <= magnitude[card], "pickBestCard picks a coordinate of largest magnitude");
      if (i < card) require(magnitude[i] < magnitude[card], "pickBestCard breaks ties for the earlier chart");
    }
  } else if (isNaN(a.x) && isNaN(a.y) && isNaN(a.z) && isNaN(a.w)) {
    require(a.pickBestCard() == orvek_kernel::AffineCard::UZ, "pickBestCard of four NaNs is UZ");
  }

  // A point at infinity dehomogenises to a direction of length at most 1.
  if (std::fabs(a.w) < orvek_kernel::W_EPS && allFinite(a)) {
    for (double c : a.cartesian3())
      require(std::fabs(c) <= 1.0, "cartesian3 of a point at infinity is a unit direction");
  }
}

void checkWeights(double w, double r, double s) {
  const double distance = orvek_kernel::sFromW(w, r);
  const bool finite_diameter = std::isfinite(r);
  if (!isNaN(w) && finite_diameter) require(!isNaN(distance), "sFromW is never NaN for a non-NaN W and finite R");
  if (!isNaN(w) && std::isfinite(r) && r >= 0.0) require(!(distance < 0.0), "sFromW is not negative for R >= 0");
  if (isNaN(w) && finite_diameter) require(distance == 0.0, "sFromW of a NaN weight is 0");
  const double weight = orvek_kernel::wFromDistance(s, r);
  require(!(std::fabs(weight) > 1.0), "wFromDistance lies in [-1, 1]");
  require(sameResult(weight, orvek_kernel::wFromDistance(-s, r)), "wFromDistance is even in the distance");
}

void checkMatrices(const PGL4& m, const PGL4& n, double delta, std::uint32_t max_iter) {
  const PGL4 mt = m.transpose();
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c)
      require(sameBits(mt.get(r, c), m.get(c, r)), "transpose swaps rows and columns");
  }
  const PGL4 mtt = mt.transpose();
  for (std::size_t i = 0; i < 16; ++i) require(sameBits(mtt.data[i], m.data[i]), "transpose is involutive");

  const PGL4 j = orvek_kernel::computeResonance(m);
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) {
      const double upper = j.get(r, c);
      const double lower = j.get(c, r);
      if (!isNaN(upper)) require(upper == -lower, "computeResonance is exactly antisymmetric");
      if (r == c && std::isfinite(m.get(r, r))) require(sameBits(upper, 0.0), "the diagonal of the resonance is +0");
    }
  }

  const PGL4 product = PGL4::mul(m, n);
  if (allFinite(m) && allFinite(n)) {
    const PGL4 deformed = orvek_kernel::deformedTensorProduct(m, n, 0.0);
    for (std::size_t i = 0; i < 16; ++i) {
      require(sameResult(deformed.data[i], product.data[i]), "the deformed product with epsilon 0 is mul, bit for bit");
    }
  }
  (void)orvek_kernel::deformedTensorProduct(m, n, delta);

  if (allFinite(m)) {
    const PGL4 left = PGL4::mul(PGL4::identity(), m);
    const PGL4 right = PGL4::mul(m, PGL4::identity());
    for (std::size_t i = 0; i < 16; ++i) {
      require(left.data[i] == m.data[i] && right.data[i] == m.data[i], "the identity is neutral for mul");
    }
  }

  const double det = m.det();
  const PGL4 scaled = m.normalizeDet();
  if (std::fabs(det) < 1e-15) {
    for (std::size_t i = 0; i < 16; ++i)
      require(sameBits(scaled.data[i], m.data[i]), "normalizeDet leaves a singular matrix unchanged");
  } else {
    for (std::size_t i = 0; i < 16; ++i) {
      if (!isNaN(scaled.data[i]) && !isNaN(m.data[i])) {
        require(std::signbit(scaled.data[i]) == std::signbit(m.data[i]), "normalizeDet scales by a positive factor");
      }
    }
  }

  // No property beyond "returns": bounded passes, no undefined behaviour on any input.
  (void)m.inverse(delta, max_iter);
  (void)orvek_kernel::computeProjector(m, delta);
  (void)m.apply(HomVec4::init(delta, 1.0, -1.0, 0.5));
}

void checkLanes(f32x4 a, f32x4 b) {
  const float ab = orvek_kernel::simdDot4(a, b);
  const float ba = orvek_kernel::simdDot4(b, a);
  require(bitsOf(ab) == bitsOf(ba) || (ab != ab && ba != ba), "simdDot4 is exactly symmetric");

  const float d = orvek_kernel::simdDot4(a, a);
  const std::array<float, 4> u = orvek_kernel::simdLanes(orvek_kernel::simdNormalize3(a));
  if (d < static_cast<float>(1e-15)) {
    require(bitsOf(u[0]) == 0 && bitsOf(u[1]) == 0 && bitsOf(u[2]) == 0 && u[3] == 1.0f,
            "simdNormalize3 of a (near) zero vector is exactly (0, 0, 0, 1)");
  } else if (std::isfinite(d)) {
    for (float lane : u) require(std::fabs(lane) <= 1.0f + 1e-6f, "simdNormalize3 gives lanes of magnitude at most 1");
  }
}

void checkInvSqrt(double x) {
  const double y = orvek_kernel::cordicInvSqrt(x);
  if (x <= 0.0) require(sameBits(y, 0.0), "cordicInvSqrt of x <= 0 is 0");
  if (isNaN(x)) require(isNaN(y), "cordicInvSqrt of NaN is NaN");
  if (x == std::numeric_limits<double>::infinity()) require(y == 0.0, "cordicInvSqrt of +inf is 0");
  if (x >= std::numeric_limits<double>::min() && std::isfinite(x)) {
    const double exact = 1.0 / std::sqrt(x);
    const double relative = (y - exact) / exact;
    require(relative <= 1e-15 && relative >= -3.3e-11, "cordicInvSqrt lies within 3.2e-11 below 1/sqrt(x)");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvek_fuzz::Input in(data, size);
  const std::uint8_t selector = in.u8();
  const HomVec4 a = in.vec();
  HomVec4 b = in.vec();
  const double k = in.f64();
  switch (selector % 5) {
    case 1: b = negated(a); break;
    case 2: b = HomVec4::init(k * a.x, k * a.y, k * a.z, k * a.w); break;
    case 3: b = a; break;
    default: break;
  }
  const double tol = in.f64();
  checkMetric(a, b);
  checkPoint(a, b, tol);

  const double w = in.f64();
  const double r = in.f64();
  checkWeights(w, r, k);
  checkInvSqrt(w);
  checkInvSqrt(k);

  const PGL4 m = in.mat();
  const PGL4 n = in.mat();
  const double delta = in.f64();
  const std::uint32_t max_iter = in.u8() % 40;
  checkMatrices(m, n, delta, max_iter);

  const float a0 = in.f32();
  const float a1 = in.f32();
  const float a2 = in.f32();
  const float a3 = in.f32();
  const float b0 = in.f32();
  const float b1 = in.f32();
  const float b2 = in.f32();
  const float b3 = in.f32();
  checkLanes(f32x4(a0, a1, a2, a3), f32x4(b0, b1, b2, b3));
  return 0;
}
