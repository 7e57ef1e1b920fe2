#include "orvek_kernel/cases/kernel_cases.hpp"

#include <array>

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

CaseResult weightRoundTrip() {
  const double s = 1000.0;
  const double r = R_VORENA_KM * 1000.0;
  const double w = wFromDistance(s, r);
  ORVEK_TRY(expectApproxEqAbs(s, sFromW(w, r), 0.01));
  return CaseResult::pass();
}

// Registry order: the Parts' table, cases of parts not built yet left out.
constexpr std::array kCases{
    orvek_verify::Case{"orvek_kernel.test.HomVec4: constructors and cartesian dehomogenization", &homVecConstructors},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: normalization on S³", &homVecNormalization},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: dot product and isSamePoint", &homVecDotAndSamePoint},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: antipodal check Z/2Z", &homVecAntipodal},
    orvek_verify::Case{"orvek_kernel.test.HomVec4: affine card selection", &homVecAffineCard},
    orvek_verify::Case{"orvek_kernel.test.Fubini-Study distance: known values", &fubiniStudyKnownValues},
    orvek_verify::Case{"orvek_kernel.test.w_from_distance / s_from_W round-trip", &weightRoundTrip},
};

}  // namespace

std::span<const orvek_verify::Case> kernelCases() noexcept { return kCases; }

}  // namespace orvek_kernel::cases
