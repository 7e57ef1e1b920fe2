#include "orvek_kernel/fs_metric.hpp"

#include <cmath>

namespace orvek_kernel {

double fsDistance(HomVec4 a, HomVec4 b) noexcept {
  const double na = a.norm();
  const double nb = b.norm();
  if (na < ZERO_NORM || nb < ZERO_NORM) return 0.0;
  const double d = std::fabs(HomVec4::dot(a, b)) / (na * nb);
  // Written as a comparison so a NaN ratio becomes 1.0, as min() with maxNum semantics would.
  const double cos_theta = d < 1.0 ? d : 1.0;
  return std::acos(cos_theta);
}

double wFromDistance(double s_meters, double R_meters) noexcept { return std::cos(s_meters / (2.0 * R_meters)); }

double sFromW(double W, double R_meters) noexcept {
  // Upper bound first, then lower; a NaN W fails the first comparison and becomes 1.0.
  const double upper = W < 1.0 ? W : 1.0;
  const double clamped = upper > -1.0 ? upper : -1.0;
  const double arc = std::acos(clamped);
  const double diameter = 2.0 * R_meters;
  // Past DBL_MAX / 2 the diameter overflows and a weight of 1 would give inf * 0 = NaN.
  // Doubling is exact, so 2 * (R * arc) is the same value wherever the diameter is finite.
  if (std::isinf(diameter) && std::isfinite(R_meters)) return 2.0 * (R_meters * arc);
  return diameter * arc;
}

}  // namespace orvek_kernel
