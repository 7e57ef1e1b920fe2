#include "orvek_kernel/cases/kernel_cases.hpp"

#include <array>
#include <cmath>
#include <cstddef>

#include "orvek_kernel/orvek_kernel.hpp"

namespace orvek_kernel::cases {
namespace {

using orvek_verify::CaseResult;
using orvek_verify::expect;
using orvek_verify::expectApproxEqAbs;

CaseResult homVecConstructors() {
  const HomVec4 p = HomVec4::fromCartesian(3, 4, 5);
  ORVEK_TRY(expectApproxEqAbs(3.0, p.x, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(4.0, p.y, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(5.0, p.z, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(1.0, p.w, 1e-10));
  const auto c = p.cartesian3();
  ORVEK_TRY(expectApproxEqAbs(3.0, c[0], 1e-10));
  ORVEK_TRY(expectApproxEqAbs(4.0, c[1], 1e-10));
  ORVEK_TRY(expectApproxEqAbs(5.0, c[2], 1e-10));
  const auto q = HomVec4::init(2, 4, 6, 2).cartesian3();
  ORVEK_TRY(expectApproxEqAbs(1.0, q[0], 1e-10));
  ORVEK_TRY(expectApproxEqAbs(2.0, q[1], 1e-10));
  ORVEK_TRY(expectApproxEqAbs(3.0, q[2], 1e-10));
  return CaseResult::pass();
}

CaseResult homVecNormalization() {
  const HomVec4 n = HomVec4::init(3, 0, 0, 4).normalize();
  ORVEK_TRY(expectApproxEqAbs(1.0, n.norm(), 1e-10));
  ORVEK_TRY(expectApproxEqAbs(0.6, n.x, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(0.8, n.w, 1e-10));
  return CaseResult::pass();
}

CaseResult homVecDotAndSamePoint() {
  const HomVec4 ex = HomVec4::init(1, 0, 0, 0);
  const HomVec4 ey = HomVec4::init(0, 1, 0, 0);
  ORVEK_TRY(expectApproxEqAbs(1.0, HomVec4::dot(ex, ex), 1e-10));
  ORVEK_TRY(expectApproxEqAbs(0.0, HomVec4::dot(ex, ey), 1e-10));
  ORVEK_TRY(expect(HomVec4::isSamePoint(ex, HomVec4::init(-1, 0, 0, 0), 1e-8)));
  return CaseResult::pass();
}

CaseResult homVecAntipodal() {
  const HomVec4 v = HomVec4::init(1, 2, 3, 4);
  ORVEK_TRY(expect(HomVec4::isAntipodalTo(v, HomVec4::init(-1, -2, -3, -4), 1e-8)));
  ORVEK_TRY(expect(!HomVec4::isAntipodalTo(v, HomVec4::init(1, 2, 3, 5), 1e-8)));
  return CaseResult::pass();
}

CaseResult homVecAffineCard() {
  ORVEK_TRY(expect(HomVec4::init(1, 2, 3, 4).pickBestCard() == AffineCard::UW));
  ORVEK_TRY(expect(HomVec4::init(5, 1, 1, 1).pickBestCard() == AffineCard::UX));
  ORVEK_TRY(expect(HomVec4::init(1, 6, 1, 1).pickBestCard() == AffineCard::UY));
  ORVEK_TRY(expect(HomVec4::init(1, 1, 7, 1).pickBestCard() == AffineCard::UZ));
  return CaseResult::pass();
}

CaseResult fubiniStudyKnownValues() {
  const HomVec4 ex = HomVec4::init(1, 0, 0, 0);
  ORVEK_TRY(expectApproxEqAbs(0.0, fsDistance(ex, ex), 1e-10));
  ORVEK_TRY(expectApproxEqAbs(1.5707963267948966, fsDistance(ex, HomVec4::init(0, 1, 0, 0)), 1e-10));
  const HomVec4 e = HomVec4::init(1, 0, 0, 1).normalize();
  const HomVec4 f = HomVec4::init(-1, 0, 0, -1).normalize();
  ORVEK_TRY(expectApproxEqAbs(0.0, fsDistance(e, f), W_EPS));
  const HomVec4 g = HomVec4::init(1, 0, 0, 0).normalize();
  const HomVec4 h = HomVec4::init(1, 0, 0, 1).normalize();
  ORVEK_TRY(expectApproxEqAbs(0.7853981633974483, fsDistance(g, h), 1e-10));
  return CaseResult::pass();
}

CaseResult pglIdentityAction() {
  const HomVec4 v = PGL4::identity().apply(HomVec4::init(3, 4, 5, 1));
  ORVEK_TRY(expectApproxEqAbs(3.0, v.x, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(4.0, v.y, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(5.0, v.z, 1e-10));
  ORVEK_TRY(expectApproxEqAbs(1.0, v.w, 1e-10));
  return CaseResult::pass();
}

CaseResult pglDeterminant() {
  ORVEK_TRY(expectApproxEqAbs(1.0, PGL4::identity().det(), 1e-10));
  ORVEK_TRY(expectApproxEqAbs(24.0, pglScale(2, 3, 4).det(), 1e-10));
  return CaseResult::pass();
}

CaseResult pglTranslationAndScale() {
  const auto c = pglTranslate(10, 20, 30).apply(HomVec4::fromCartesian(1, 2, 3)).cartesian3();
  ORVEK_TRY(expectApproxEqAbs(11.0, c[0], 1e-8));
  ORVEK_TRY(expectApproxEqAbs(22.0, c[1], 1e-8));
  ORVEK_TRY(expectApproxEqAbs(33.0, c[2], 1e-8));
  return CaseResult::pass();
}

CaseResult pglNewtonSchulzInverse() {
  const PGL4 m = pglScale(2, 3, 4);
  const PGL4 product = PGL4::mul(m, m.inverse(1e-10, 15));
  const PGL4 id = PGL4::identity();
  for (std::size_t i = 0; i < 16; ++i) ORVEK_TRY(expectApproxEqAbs(id.data[i], product.data[i], W_EPS));
  return CaseResult::pass();
}

CaseResult pglNormalizeDet() {
  ORVEK_TRY(expectApproxEqAbs(1.0, std::fabs(pglScale(2, 3, 4).normalizeDet().det()), W_EPS));
  return CaseResult::pass();
}

CaseResult pglRotationPreservesNorm() {
  const HomVec4 v = HomVec4::init(1, 0, 0, 1);
  const HomVec4 turned = pglRotateZ(0.7853981633974483).apply(v);
  ORVEK_TRY(expectApproxEqAbs(v.norm(), turned.norm(), 1e-10));
  return CaseResult::pass();
}

CaseResult simdDot4AndNormalize() {
  ORVEK_TRY(expectApproxEqAbs(1.0f, simdDot4(f32x4(1, 0, 0, 0), f32x4(1, 0, 0, 0)), 1e-5f));
  const f32x4 n = simdNormalize3(f32x4(3, 0, 0, 4));
  ORVEK_TRY(expectApproxEqAbs(1.0f, simdDot4(n, n), 1e-5f));
  return CaseResult::pass();
}

CaseResult cordicInverseSqrt() {
  ORVEK_TRY(expectApproxEqAbs(0.5, cordicInvSqrt(4), 1e-10));
  ORVEK_TRY(expectApproxEqAbs(1.0, cordicInvSqrt(1), 1e-10));
  ORVEK_TRY(expectApproxEqAbs(0.3333333333333333, cordicInvSqrt(9), 1e-10));
  return CaseResult::pass();
}

CaseResult resonanceAntisymmetric() {
  const PGL4 a = PGL4::init({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  const PGL4 j = computeResonance(a);
  const PGL4 jt = j.transpose();
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) ORVEK_TRY(expectApproxEqAbs(-j.get(r, c), jt.get(r, c), 1e-10));
  }
  return CaseResult::pass();
}

CaseResult projectorIdempotent() {
  const PGL4 jc = PGL4::init({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0});
  const PGL4 pi = computeProjector(jc, 1e-8);
  const PGL4 pi_sq = PGL4::mul(pi, pi);
  for (std::size_t i = 0; i < 16; ++i) ORVEK_TRY(expectApproxEqAbs(pi.data[i], pi_sq.data[i], 1e-4));
  return CaseResult::pass();
}

CaseResult deformedProductEpsilonZero() {
  const PGL4 x = pglScale(2, 1, 1);
  const PGL4 y = pglTranslate(3, 0, 0);
  const PGL4 deformed = deformedTensorProduct(x, y, 0);
  const PGL4 plain = PGL4::mul(x, y);
  for (std::size_t i = 0; i < 16; ++i) ORVEK_TRY(expectApproxEqAbs(plain.data[i], deformed.data[i], 1e-10));
  return CaseResult::pass();
}

CaseResult weightRoundTrip() {
  const double s = 1000.0;
  const double r = R_VORENA_KM * 1000.0;
  const double w = wFromDistance(s, r);
  ORVEK_TRY(expectApproxEqAbs(s, sFromW(w, r), 0.01));
  return CaseResult::pass();
}

CaseResult pglFromHomogeneousRegular() {
  // A singular argument here would stop the build; this one is regular.
  constexpr PGL4 m = pglFromHomogeneous({{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}});
  ORVEK_TRY(expectApproxEqAbs(120.0, m.det(), W_EPS));
  return CaseResult::pass();
}

// In run order; the verification program numbers the cases by this position.
constexpr std::array kCases{
    orvek_verify::Case{"orvek_kernel.test.HomVec4: constructors and cartesian dehomogenization", &homVecConstructors},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: normalization on S³", &homVecNormalization},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: dot product and isSamePoint", &homVecDotAndSamePoint},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: antipodal check Z/2Z", &homVecAntipodal},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: affine card selection", &homVecAffineCard},
    orvek_verify::Case{"orvek_kernel.test.Fubini-Study distance: known values", &fubiniStudyKnownValues},
    orvek_verify::Case{"orvek_kernel.test.PGL4: identity action", &pglIdentityAction},
    orvek_verify::Case{"orvek_kernel.test.PGL4: determinant", &pglDeterminant},
    orvek_verify::Case{"orvek_kernel.test.PGL4: translation and scale", &pglTranslationAndScale},
    orvek_verify::Case{"orvek_kernel.test.PGL4: Newton-Schulz inverse", &pglNewtonSchulzInverse},
    orvek_verify::Case{"orvek_kernel.test.PGL4: normalizeDet → det ≈ 1", &pglNormalizeDet},
    orvek_verify::Case{"orvek_kernel.test.PGL4: rotation preserves norm", &pglRotationPreservesNorm},
    orvek_verify::Case{"orvek_kernel.test.SIMD: dot4 and normalize", &simdDot4AndNormalize},
    orvek_verify::Case{"orvek_kernel.test.CORDIC inverse sqrt", &cordicInverseSqrt},
    orvek_verify::Case{"orvek_kernel.test.Resonance J = A − Aᵀ is antisymmetric", &resonanceAntisymmetric},
    orvek_verify::Case{"orvek_kernel.test.Projector Π_Λ is idempotent: Π² = Π", &projectorIdempotent},
    orvek_verify::Case{"orvek_kernel.test.Deformed tensor product: ε=0 is standard mul", &deformedProductEpsilonZero},
    orvek_verify::Case{"orvek_kernel.test.w_from_distance / s_from_W round-trip", &weightRoundTrip},
    orvek_verify::Case{"orvek_kernel.test.PGL4 comptime: pglFromHomogeneous rejects singular",
                       &pglFromHomogeneousRegular},
};

}  // namespace

std::span<const orvek_verify::Case> kernelCases() noexcept { return kCases; }

}  // namespace orvek_kernel::cases
