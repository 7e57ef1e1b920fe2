#pragma once
/// Points of real projective 3-space P³ as homogeneous 4-vectors.
///
/// A `HomVec4` (x, y, z, w) names the Cartesian point (x/w, y/w, z/w); every non-zero
/// multiple of it, its negation included, names the same point. P³ is treated as the
/// unit 3-sphere S³ with antipodes identified: `normalize` picks the representative on
/// S³ and the point comparisons ignore the sign.
///
/// Evaluation order is fixed, so that every build gives the same bits: sums run x, y, z, w
/// from left to right, every product is rounded on its own before it is added (no fused
/// multiply-add: orvek_kernel carries -ffp-contract=off as a PUBLIC compile option, the
/// inline `dot` keeps its products apart even where the caller turns contraction back on
/// (rounded.hpp), and config.hpp refuses -ffast-math), and a division by the norm stays a
/// division rather than a product with its reciprocal. A norm below `ZERO_NORM` (compared
/// strictly) counts as zero.

#include <array>
#include <cstdint>

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/rounded.hpp"

namespace orvek_kernel {

/// |w| below this is a point at infinity in `cartesian3`; also the verification cases' tolerance.
inline constexpr double W_EPS = 1e-6;

/// A Euclidean norm below this (compared strictly) counts as the zero vector: in `normalize`,
/// `cartesian3`, `fsDistance` and the entity position setter. `PGL4::normalizeDet` and
/// `pglFromHomogeneous` hold a determinant's magnitude to the same bound.
inline constexpr double ZERO_NORM = 1e-15;

/// The four affine charts of P³, named by the coordinate that must be non-zero.
enum class AffineCard : std::uint8_t {
  UW = 0,  ///< w ≠ 0: the ordinary chart, Cartesian (x/w, y/w, z/w)
  UX = 1,  ///< x ≠ 0
  UY = 2,  ///< y ≠ 0
  UZ = 3,  ///< z ≠ 0
};

/// A point of P³ held as a homogeneous 4-vector; any four values are stored unchanged.
struct HomVec4 {
  /// First homogeneous coordinate.
  double x;
  /// Second homogeneous coordinate.
  double y;
  /// Third homogeneous coordinate.
  double z;
  double w;  ///< homogeneous weight; 0 is a point at infinity with direction (x, y, z)

  /// The vector (x, y, z, w), unchanged.
  static constexpr HomVec4 init(double x, double y, double z, double w) noexcept { return {x, y, z, w}; }

  /// The affine point (x, y, z) in the chart `UW`: (x, y, z, 1).
  static constexpr HomVec4 fromCartesian(double x, double y, double z) noexcept { return {x, y, z, 1.0}; }

  /// The all-zero vector, which names no point.
  static constexpr HomVec4 zero() noexcept { return {0.0, 0.0, 0.0, 0.0}; }

  /// Euclidean 4-D dot product, summed ((x + y) + z) + w.
  ///
  /// Each product is rounded on its own even where the caller's code turns contraction on.
  static constexpr double dot(HomVec4 a, HomVec4 b) noexcept {
    return ((roundedMul(a.x, b.x) + roundedMul(a.y, b.y)) + roundedMul(a.z, b.z)) + roundedMul(a.w, b.w);
  }

  /// Euclidean length of the 4-vector: the square root of `dot(self, self)`.
  double norm() const noexcept;

  /// The representative on S³ (four divisions by the norm), or (0, 0, 0, 1) when the norm is below 1e-15.
  HomVec4 normalize() const noexcept;

  /// The dehomogenised point (x/w, y/w, z/w); for |w| < `W_EPS` the direction divided by the
  /// 4-D norm instead, and (0, 0, 0) when that norm is below 1e-15.
  std::array<double, 3> cartesian3() const noexcept;

  /// True when a and b name the same point of P³ within `tol`; a vector shorter than `tol` names none.
  static bool isSamePoint(HomVec4 a, HomVec4 b, double tol) noexcept;

  /// `isSamePoint` of a and the negation of b; since the sign is ignored, the same answer.
  static bool isAntipodalTo(HomVec4 a, HomVec4 b, double tol) noexcept;

  /// The chart of the coordinate of largest magnitude; ties go to the earlier of W, X, Y, Z.
  AffineCard pickBestCard() const noexcept;
};

}  // namespace orvek_kernel
