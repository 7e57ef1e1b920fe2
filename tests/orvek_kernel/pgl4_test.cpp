#include "orvek_kernel/pgl4.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "bit_equal.hpp"
#include "orvek_kernel/transforms.hpp"

namespace orvek_kernel {
namespace {

using testing::sameBits;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Rows chosen so that the order of accumulation shows: in row 0, ((1e17 + 1) − 1e17) + 1
// is 1 while any other order gives 0 or 2.
constexpr PGL4 kA =
    PGL4::fromRowMajor({{{1e17, 1, -1e17, 1}, {0.1, -0.7, 2.3, 1e-3}, {3.1, 0.2, -5.5, 7.7}, {-1, 2, -3, 4}}});
constexpr PGL4 kB =
    PGL4::fromRowMajor({{{1, 0.3, -2.1, 0.9}, {1, 1.7, 0.4, -0.6}, {1, -0.8, 1.1, 0.25}, {1, 0.05, 3.3, -1.9}}});

// The product written out entry by entry: sums from 0.0, k ascending, columns outer.
PGL4 referenceMul(const PGL4& a, const PGL4& b) {
  PGL4 r{};
  for (std::size_t col = 0; col < 4; ++col) {
    for (std::size_t row = 0; row < 4; ++row) {
      r.set(row, col,
            (((0.0 + a.get(row, 0) * b.get(0, col)) + a.get(row, 1) * b.get(1, col)) + a.get(row, 2) * b.get(2, col)) +
                a.get(row, 3) * b.get(3, col));
    }
  }
  return r;
}

// The determinant written out: cofactors of row 0, ((t0 − t1) + t2) − t3.
double referenceDet(const PGL4& m) {
  auto a = [&](std::size_t r, std::size_t c) { return m.get(r, c); };
  auto det3 = [](double s00, double s01, double s02, double s10, double s11, double s12, double s20, double s21,
                 double s22) {
    return (s00 * (s11 * s22 - s12 * s21) - s01 * (s10 * s22 - s12 * s20)) + s02 * (s10 * s21 - s11 * s20);
  };
  const double t0 = a(0, 0) * det3(a(1, 1), a(1, 2), a(1, 3), a(2, 1), a(2, 2), a(2, 3), a(3, 1), a(3, 2), a(3, 3));
  const double t1 = a(0, 1) * det3(a(1, 0), a(1, 2), a(1, 3), a(2, 0), a(2, 2), a(2, 3), a(3, 0), a(3, 2), a(3, 3));
  const double t2 = a(0, 2) * det3(a(1, 0), a(1, 1), a(1, 3), a(2, 0), a(2, 1), a(2, 3), a(3, 0), a(3, 1), a(3, 3));
  const double t3 = a(0, 3) * det3(a(1, 0), a(1, 1), a(1, 2), a(2, 0), a(2, 1), a(2, 2), a(3, 0), a(3, 1), a(3, 2));
  return ((t0 - t1) + t2) - t3;
}

double maxAbsResidual(const PGL4& m, const PGL4& x) {
  const PGL4 p = PGL4::mul(m, x);
  const PGL4 id = PGL4::identity();
  double r = 0.0;
  for (std::size_t i = 0; i < 16; ++i) r = std::fmax(r, std::fabs(p.data[i] - id.data[i]));
  return r;
}

// The pass after which inverse() stopped: the first n whose result a longer limit does not change.
std::uint32_t passesRun(const PGL4& m, double delta, std::uint32_t limit) {
  for (std::uint32_t n = 1; n < limit; ++n) {
    if (sameBits(m.inverse(delta, n), m.inverse(delta, limit))) return n;
  }
  return limit;
}

// ---- storage, access, product, action ----

TEST(PGL4, StorageIsColumnMajor) {
  const PGL4 m = PGL4::init({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(m.get(r, c), static_cast<double>(c * 4 + r));
  }
  PGL4 s = PGL4::identity();
  s.set(2, 3, -9.5);
  EXPECT_EQ(s.data[14], -9.5);
  static_assert(PGL4::identity().get(3, 3) == 1.0 && PGL4::identity().get(0, 3) == 0.0);
}

TEST(PGL4, FromRowMajorReadsRows) {
  const PGL4 m = PGL4::fromRowMajor({{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}});
  EXPECT_EQ(m.get(0, 3), 4.0);
  EXPECT_EQ(m.get(3, 0), 13.0);
  EXPECT_EQ(m.data[1], 5.0);
  const PGL4 t = PGL4::fromRowMajor({{{1, 0, 0, 7}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
  EXPECT_EQ(t.data[12], 7.0);
  EXPECT_TRUE(sameBits(t, pglTranslate(7, 0, 0)));
}

TEST(PGL4, MulMatchesTheWrittenOutSumsBitForBit) {
  EXPECT_TRUE(sameBits(PGL4::mul(kA, kB), referenceMul(kA, kB)));
  EXPECT_TRUE(sameBits(PGL4::mul(kB, kA), referenceMul(kB, kA)));
  EXPECT_EQ(PGL4::mul(kA, kB).get(0, 0), 1.0);
  // Guard: summing k downwards gives another value for this entry.
  const double reversed =
      (((0.0 + kA.get(0, 3) * kB.get(3, 0)) + kA.get(0, 2) * kB.get(2, 0)) + kA.get(0, 1) * kB.get(1, 0)) +
      kA.get(0, 0) * kB.get(0, 0);
  ASSERT_NE(reversed, 1.0);
}

TEST(PGL4, IdentityIsNeutral) {
  EXPECT_TRUE(sameBits(PGL4::mul(PGL4::identity(), kB), kB));
  EXPECT_TRUE(sameBits(PGL4::mul(kB, PGL4::identity()), kB));
}

TEST(PGL4, MulIsNotCommutativeAndTheRightOperandActsFirst) {
  const PGL4 t = pglTranslate(1, 0, 0);
  const PGL4 s = pglScale(2, 2, 2);
  const HomVec4 p = HomVec4::init(1, 0, 0, 1);
  const HomVec4 scale_then_translate = PGL4::mul(t, s).apply(p);
  const HomVec4 translate_then_scale = PGL4::mul(s, t).apply(p);
  EXPECT_EQ(scale_then_translate.x, 3.0);
  EXPECT_EQ(scale_then_translate.w, 1.0);
  EXPECT_EQ(translate_then_scale.x, 4.0);
  EXPECT_EQ(translate_then_scale.w, 1.0);
}

TEST(PGL4, ApplyMatchesTheWrittenOutSumsAndDoesNotNormalise) {
  const HomVec4 v = HomVec4::init(1, 1, 1, 1);
  const HomVec4 r = kA.apply(v);
  EXPECT_EQ(r.x, 1.0);  // ((1e17 + 1) − 1e17) + 1
  for (std::size_t row = 1; row < 4; ++row) {
    const double expected =
        (((0.0 + kA.get(row, 0) * v.x) + kA.get(row, 1) * v.y) + kA.get(row, 2) * v.z) + kA.get(row, 3) * v.w;
    const double actual = row == 1 ? r.y : row == 2 ? r.z : r.w;
    EXPECT_TRUE(sameBits(actual, expected)) << "row " << row;
  }

  const HomVec4 kept = PGL4::identity().apply(HomVec4::init(3, 4, 5, 1));
  EXPECT_EQ(kept.norm(), std::sqrt(51.0));
  const HomVec4 moved = pglTranslate(1, 2, 3).apply(HomVec4::init(0, 0, 0, 2));
  EXPECT_EQ(moved.x, 2.0);
  EXPECT_EQ(moved.y, 4.0);
  EXPECT_EQ(moved.z, 6.0);
  EXPECT_EQ(moved.w, 2.0);
}

TEST(PGL4, TransposeSwapsIndicesAndIsAnInvolution) {
  const PGL4 t = kA.transpose();
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) EXPECT_TRUE(sameBits(t.get(r, c), kA.get(c, r)));
  }
  EXPECT_TRUE(sameBits(t.transpose(), kA));
}

TEST(PGL4, ApplyOfProductComposes) {
  const HomVec4 v = HomVec4::init(0.5, -2, 3, 1);
  const HomVec4 once = PGL4::mul(kB, kB.transpose()).apply(v);
  const HomVec4 twice = kB.apply(kB.transpose().apply(v));
  EXPECT_NEAR(once.x, twice.x, 1e-12);
  EXPECT_NEAR(once.y, twice.y, 1e-12);
  EXPECT_NEAR(once.z, twice.z, 1e-12);
  EXPECT_NEAR(once.w, twice.w, 1e-12);
}

// ---- out-of-range access ----

TEST(PGL4DeathTest, GetOutOfRangePanicsWithTheFlatIndex) {
  const PGL4 m = PGL4::identity();
  EXPECT_DEATH((void)m.get(0, 4), "thread [0-9]+ panic: index out of bounds: index 16, len 16\n");
  EXPECT_DEATH((void)m.get(4, 0), "thread [0-9]+ panic: index out of bounds: index 4, len 16\n");
  EXPECT_DEATH((void)m.get(3, 7), "thread [0-9]+ panic: index out of bounds: index 31, len 16\n");
}

TEST(PGL4DeathTest, SetOutOfRangePanicsWithTheFlatIndex) {
  PGL4 m = PGL4::identity();
  EXPECT_DEATH(m.set(0, 4, 1.0), "thread [0-9]+ panic: index out of bounds: index 16, len 16\n");
  EXPECT_DEATH(m.set(4, 0, 1.0), "thread [0-9]+ panic: index out of bounds: index 4, len 16\n");
}

TEST(PGL4DeathTest, HugeIndexDoesNotWrapIntoRange) {
  // col·4 + row would wrap to 0; the reported index saturates instead.
  const PGL4 m = PGL4::identity();
  const std::size_t wrap_col = std::numeric_limits<std::size_t>::max() / 4 + 1;
  EXPECT_DEATH((void)m.get(0, wrap_col), "index out of bounds: index 18446744073709551615, len 16\n");
}

// ---- determinant ----

TEST(PGL4Det, KnownValuesAreExact) {
  EXPECT_EQ(PGL4::identity().det(), 1.0);
  EXPECT_EQ(pglScale(2, 3, 4).det(), 24.0);
  EXPECT_EQ(PGL4::init({}).det(), 0.0);
  static_assert(PGL4::fromRowMajor({{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}}).det() == 120.0);
}

TEST(PGL4Det, RowSwapFlipsTheSign) {
  const PGL4 s = pglScale(2, 3, 4);
  PGL4 swapped = s;
  for (std::size_t c = 0; c < 4; ++c) {
    swapped.set(0, c, s.get(1, c));
    swapped.set(1, c, s.get(0, c));
  }
  EXPECT_EQ(swapped.det(), -24.0);
}

TEST(PGL4Det, ExpandsAlongRowZeroInTheFixedOrder) {
  const PGL4 m = PGL4::fromRowMajor(
      {{{0.1, 0.7, -1.3, 2.9}, {3.1, -0.2, 0.5, 1.7}, {-2.3, 1.9, 0.3, -0.6}, {0.8, -1.1, 2.2, 0.4}}});
  EXPECT_TRUE(sameBits(m.det(), referenceDet(m)));
  // Guard: expanding along column 0 (the transpose's row 0) gives other bits for this matrix.
  ASSERT_FALSE(sameBits(referenceDet(m.transpose()), referenceDet(m)));
  EXPECT_TRUE(sameBits(kA.det(), referenceDet(kA)));
}

TEST(PGL4Det, CofactorTermsAreSummedLeftToRight) {
  // Rows 1..3 make all four minors of row 0 equal to 1, so the terms are row 0 itself:
  // ((1e17 + 1) − 1e17) + 1 is 1, while (t0 − t1) + (t2 − t3) would be 0.
  constexpr PGL4 m = PGL4::fromRowMajor({{{1e17, -1, -1e17, -1}, {1, 1, 0, 0}, {0, 1, 1, 0}, {0, 0, 1, 1}}});
  static_assert(m.det() == 1.0);
  EXPECT_EQ(m.det(), 1.0);
  ASSERT_NE((1e17 - -1.0) + (-1e17 - -1.0), 1.0);
}

TEST(PGL4Det, NaNPropagates) { EXPECT_TRUE(std::isnan(pglScale(kNaN, 1, 1).det())); }

// ---- determinant normalisation ----

TEST(PGL4NormalizeDet, ScalesEveryEntryByTheFourthRoot) {
  const double f = std::pow(24.0, -0.25);
  const PGL4 n = pglScale(2, 3, 4).normalizeDet();
  EXPECT_TRUE(sameBits(n, PGL4::init({2 * f, 0, 0, 0, 0, 3 * f, 0, 0, 0, 0, 4 * f, 0, 0, 0, 0, f})));
  EXPECT_NEAR(n.det(), 1.0, 1e-15);
}

TEST(PGL4NormalizeDet, KeepsTheSignOfTheDeterminant) {
  const PGL4 n = pglScale(-2, 3, 4).normalizeDet();
  EXPECT_NEAR(n.det(), -1.0, 1e-15);
  EXPECT_LT(n.get(0, 0), 0.0);
  EXPECT_GT(n.get(3, 3), 0.0);
}

TEST(PGL4NormalizeDet, TinyDeterminantLeavesTheMatrixUnchanged) {
  for (const PGL4& m : {pglScale(0, 1, 1), pglScale(1e-6, 1e-6, 1e-6), PGL4::init({}), pglScale(-1e-16, 1, 1)}) {
    EXPECT_TRUE(sameBits(m.normalizeDet(), m));
  }
}

TEST(PGL4NormalizeDet, DeterminantExactlyAtThresholdIsScaled) {
  const PGL4 m = pglScale(1e-15, 1, 1);
  ASSERT_EQ(m.det(), 1e-15);
  const PGL4 n = m.normalizeDet();
  EXPECT_FALSE(sameBits(n, m));
  EXPECT_NEAR(n.det(), 1.0, 1e-12);
}

TEST(PGL4NormalizeDet, NaNDeterminantIsScaledToNaN) {
  const PGL4 n = pglScale(kNaN, 1, 1).normalizeDet();
  for (const double v : n.data) EXPECT_TRUE(std::isnan(v));
}

// ---- Newton–Schulz inverse ----

TEST(PGL4Inverse, DiagonalConvergesAfterTenPasses) {
  const PGL4 m = pglScale(2, 3, 4);
  const PGL4 x = m.inverse(1e-10, 15);
  EXPECT_LE(maxAbsResidual(m, x), 1e-6);
  EXPECT_NEAR(x.get(0, 0), 1.0 / (2 + 1e-10), 1e-15);
  EXPECT_NEAR(x.get(1, 1), 1.0 / (3 + 1e-10), 1e-15);
  EXPECT_NEAR(x.get(2, 2), 1.0 / (4 + 1e-10), 1e-15);
  EXPECT_NEAR(x.get(3, 3), 1.0 / (1 + 1e-10), 1e-15);
  EXPECT_EQ(passesRun(m, 1e-10, 15), 10u);
  EXPECT_NEAR(maxAbsResidual(m, m.inverse(1e-10, 9)), 2.9e-8, 0.1e-8);
}

TEST(PGL4Inverse, IdentityConvergesAfterSevenPasses) {
  const PGL4 x = PGL4::identity().inverse(0, 15);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(x.get(i, i), 1.0, 1e-15);
  EXPECT_EQ(passesRun(PGL4::identity(), 0, 15), 7u);
}

TEST(PGL4Inverse, TranslationConvergesAfterThirteenPasses) {
  const PGL4 t = pglTranslate(1, 2, 3);
  const PGL4 x = t.inverse(0, 15);
  EXPECT_NEAR(x.get(0, 3), -1.0, 1e-9);
  EXPECT_NEAR(x.get(1, 3), -2.0, 1e-9);
  EXPECT_NEAR(x.get(2, 3), -3.0, 1e-9);
  EXPECT_NEAR(x.get(3, 3), 1.0, 1e-9);
  EXPECT_EQ(passesRun(t, 0, 20), 13u);
  // Eight passes are not enough; the iterate comes back without notice.
  EXPECT_NEAR(maxAbsResidual(t, t.inverse(0, 8)), 0.38, 0.01);
}

TEST(PGL4Inverse, ZeroPassesReturnTheStartingGuess) {
  const PGL4 x0 = pglScale(2, 3, 4).inverse(0, 0);
  // mᵀ / ‖m‖F², one division per entry; ‖diag(2, 3, 4, 1)‖F² is 30.
  EXPECT_TRUE(sameBits(x0, PGL4::init({2.0 / 30, 0, 0, 0, 0, 3.0 / 30, 0, 0, 0, 0, 4.0 / 30, 0, 0, 0, 0, 1.0 / 30})));
}

TEST(PGL4Inverse, OnePassMatchesTheWrittenOutStepBitForBit) {
  const double delta = 0.1;
  PGL4 m_reg = kB;
  for (std::size_t i = 0; i < 4; ++i) m_reg.set(i, i, kB.get(i, i) + delta);
  double norm_sq = 0.0;
  for (const double v : m_reg.data) norm_sq = norm_sq + v * v;
  PGL4 x0 = m_reg.transpose();
  for (double& v : x0.data) v = v / norm_sq;
  const PGL4 mx = referenceMul(m_reg, x0);
  PGL4 two_i_minus_mx{};
  for (std::size_t i = 0; i < 16; ++i) two_i_minus_mx.data[i] = 2.0 * PGL4::identity().data[i] - mx.data[i];
  const PGL4 x1 = referenceMul(x0, two_i_minus_mx);  // the old iterate on the left

  EXPECT_TRUE(sameBits(kB.inverse(delta, 0), x0));
  EXPECT_TRUE(sameBits(kB.inverse(delta, 1), x1));
  // Guards: a reciprocal of the norm, or the iterate on the right, would give other bits.
  PGL4 x0_recip = m_reg.transpose();
  for (double& v : x0_recip.data) v = v * (1.0 / norm_sq);
  ASSERT_FALSE(sameBits(x0_recip, x0));
  ASSERT_FALSE(sameBits(referenceMul(two_i_minus_mx, x0), x1));
}

TEST(PGL4Inverse, SingularMatrixNeverMeetsTheTolerance) {
  const PGL4 s = pglScale(0, 3, 4);
  // Entry (0, 0) of s·x is 0 whatever x is, so the residual stays 1 after every pass.
  for (std::uint32_t n = 1; n <= 15; ++n) EXPECT_EQ(maxAbsResidual(s, s.inverse(0, n)), 1.0) << n;
  const PGL4 x = s.inverse(0, 15);
  EXPECT_EQ(x.get(0, 0), 0.0);
  EXPECT_NEAR(x.get(1, 1), 1.0 / 3, 1e-12);
  EXPECT_NEAR(x.get(2, 2), 0.25, 1e-12);
  EXPECT_NEAR(x.get(3, 3), 1.0, 1e-12);
}

TEST(PGL4Inverse, ZeroMatrixWithShiftIsScaledIdentity) {
  const PGL4 zero = PGL4::init({});
  const PGL4 x = zero.inverse(1e-10, 15);
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) EXPECT_NEAR(x.get(r, c), r == c ? 1e10 : 0.0, r == c ? 1e-5 : 0.0);
  }
  EXPECT_EQ(passesRun(zero, 1e-10, 15), 7u);
}

TEST(PGL4Inverse, ZeroMatrixWithoutShiftIsAllNaN) {
  const PGL4 zero = PGL4::init({});
  for (const std::uint32_t max_iter : {0u, 1u, 15u}) {
    for (const double v : zero.inverse(0, max_iter).data) EXPECT_TRUE(std::isnan(v)) << max_iter;
  }
  // −delta·I shifted by delta is the zero matrix too.
  const PGL4 neg = PGL4::init({-0.5, 0, 0, 0, 0, -0.5, 0, 0, 0, 0, -0.5, 0, 0, 0, 0, -0.5});
  for (const double v : neg.inverse(0.5, 15).data) EXPECT_TRUE(std::isnan(v));
}

}  // namespace
}  // namespace orvek_kernel
