#pragma once
/// Named constructors of `PGL4` transforms: translation, axis scaling, rotation about z.

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_kernel {

/// The identity with (tx, ty, tz) in rows 0..2 of column 3: (x, y, z, w) ↦ (x + tx·w, y + ty·w, z + tz·w, w).
PGL4 pglTranslate(double tx, double ty, double tz) noexcept;

/// The diagonal matrix diag(sx, sy, sz, 1); its determinant is sx·sy·sz.
PGL4 pglScale(double sx, double sy, double sz) noexcept;

/// Rotation in the x–y plane by `angle` radians: (1, 0, 0, w) ↦ (cos, sin, 0, w).
PGL4 pglRotateZ(double angle) noexcept;

}  // namespace orvek_kernel
