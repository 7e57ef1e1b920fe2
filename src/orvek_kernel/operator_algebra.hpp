#pragma once
/// Operator algebra on `PGL4` matrices: the resonance operator, the damped projector onto
/// a null space and the ε-deformed product.

#include "orvek_kernel/config.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_kernel {

/// The resonance operator J = A − Aᵀ, exactly antisymmetric.
///
/// Each entry is one rounded subtraction, so J(c, r) is the exact negation of J(r, c)
/// and the diagonal is +0 for finite input (an infinite diagonal entry gives NaN).
PGL4 computeResonance(PGL4 a) noexcept;

/// The damped projector Π = I − jcᵀ·(jc·jcᵀ + 2·delta·I)⁻¹·jc onto the null space of `jc`.
///
/// `delta` is added to the diagonal of jc·jcᵀ here and once more by `PGL4::inverse`,
/// which runs at most 8 passes; when those are not enough for a badly conditioned jc·jcᵀ
/// the result is not a projector, and nothing says so.
PGL4 computeProjector(PGL4 jc, double delta) noexcept;

/// The ε-deformed product x·y + ε·(x ∘ y), ∘ the entry-wise product.
///
/// Each term is (ε·x)·y, added to the ordinary product; with ε = 0 and finite entries the
/// result is `PGL4::mul(x, y)` bit for bit.
PGL4 deformedTensorProduct(PGL4 x, PGL4 y, double epsilon) noexcept;

}  // namespace orvek_kernel
