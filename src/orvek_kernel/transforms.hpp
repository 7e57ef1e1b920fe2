#pragma once
/// Named constructors of `PGL4` transforms: translation, axis scaling, rotation about z,
/// and a general matrix whose regularity is checked while the program is built.

#include <array>

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_kernel {

/// The identity with (tx, ty, tz) in rows 0..2 of column 3: (x, y, z, w) ↦ (x + tx·w, y + ty·w, z + tz·w, w).
PGL4 pglTranslate(double tx, double ty, double tz) noexcept;

/// The diagonal matrix diag(sx, sy, sz, 1); its determinant is sx·sy·sz.
PGL4 pglScale(double sx, double sy, double sz) noexcept;

/// Rotation in the x–y plane by `angle` radians: (1, 0, 0, w) ↦ (cos, sin, 0, w).
PGL4 pglRotateZ(double angle) noexcept;

/// Deliberately not constexpr: `pglFromHomogeneous` calls it for a singular matrix, so the
/// build stops with a diagnostic that names it. Never called at run time.
inline void pglFromHomogeneous_matrix_is_singular() noexcept {}

/// The matrix whose entry (r, c) is `rows[r][c]`, built and checked at compile time.
///
/// A singular matrix stops the build: the diagnostic names
/// `pglFromHomogeneous_matrix_is_singular`. Singular means |det| < 1e-15 by `PGL4::det`,
/// or a NaN determinant. This is the threshold below which `normalizeDet` refuses to
/// scale, so every matrix accepted here can be brought to |det| = 1; like that
/// threshold it is absolute, so uniformly tiny matrices such as 1e-4·I are refused too.
/// Nothing of the check is left at run time: the result is `PGL4::fromRowMajor(rows)`.
consteval PGL4 pglFromHomogeneous(const std::array<std::array<double, 4>, 4>& rows) noexcept {
  const PGL4 m = PGL4::fromRowMajor(rows);
  const double d = m.det();
  const double magnitude = d < 0.0 ? -d : d;
  // Written as "not at least" so that a NaN determinant is refused as well.
  if (!(magnitude >= ZERO_NORM)) pglFromHomogeneous_matrix_is_singular();
  return m;
}

}  // namespace orvek_kernel
