#pragma once
/// The Fubini–Study metric on P³ and the weight conversions on a sphere of radius R.

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/hom_vec4.hpp"

namespace orvek_kernel {

/// Radius of the world in kilometres (5838400 m as `wFromDistance` and `sFromW` take it).
inline constexpr double R_VORENA_KM = 5838.4;

/// The Fubini–Study distance between a and b in radians, in [0, π/2].
///
/// Blind to length and sign; 0 when either norm is below 1e-15 or a coordinate is NaN.
/// Exactly symmetric: `fsDistance(a, b)` and `fsDistance(b, a)` are the same bits.
double fsDistance(HomVec4 a, HomVec4 b) noexcept;

/// The weight W = cos(s / (2R)) of a distance s on a sphere of radius R, both in metres.
double wFromDistance(double s_meters, double R_meters) noexcept;

/// The distance (2R)·arccos(W) in metres; W is clamped to [−1, 1] first and a NaN W counts as 1.
///
/// Never NaN for a non-NaN W and a finite R, even where 2R itself would overflow.
double sFromW(double W, double R_meters) noexcept;

}  // namespace orvek_kernel
