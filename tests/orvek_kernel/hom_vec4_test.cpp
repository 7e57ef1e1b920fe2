#include "orvek_kernel/hom_vec4.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "bit_equal.hpp"

namespace orvek_kernel {
namespace {

using testing::sameBits;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void expectExactly(HomVec4 v, double x, double y, double z, double w) {
  EXPECT_TRUE(sameBits(v.x, x));
  EXPECT_TRUE(sameBits(v.y, y));
  EXPECT_TRUE(sameBits(v.z, z));
  EXPECT_TRUE(sameBits(v.w, w));
}

TEST(HomVec4, DotSumsLeftToRightInCoordinateOrder) {
  // ((1e17 + 1) − 1e17) + 1 is 1; summed from the other end or in pairs it is 0.
  const HomVec4 a = HomVec4::init(1e17, 1, -1e17, 1);
  const HomVec4 ones = HomVec4::init(1, 1, 1, 1);
  EXPECT_EQ(HomVec4::dot(a, ones), 1.0);
  ASSERT_NE((1e17 + 1.0) + (-1e17 + 1.0), 1.0);
  static_assert(HomVec4::dot(HomVec4::init(1, 2, 3, 4), HomVec4::init(5, 6, 7, 8)) == 70.0);
}

TEST(HomVec4, NormIsSquareRootOfSelfDot) {
  const HomVec4 v = HomVec4::init(0.1, -0.7, 2.3, 1e-3);
  EXPECT_TRUE(sameBits(v.norm(), std::sqrt(HomVec4::dot(v, v))));
  EXPECT_EQ(HomVec4::zero().norm(), 0.0);
  EXPECT_TRUE(std::isnan(HomVec4::init(1, kNaN, 0, 0).norm()));
}

TEST(HomVec4, ZeroAndTinyVectorsNormalizeToChartOrigin) {
  expectExactly(HomVec4::zero().normalize(), 0, 0, 0, 1);
  expectExactly(HomVec4::init(1e-16, 0, 0, 0).normalize(), 0, 0, 0, 1);
  expectExactly(HomVec4::init(0, -5e-16, 5e-16, 0).normalize(), 0, 0, 0, 1);
}

TEST(HomVec4, NormExactlyAtZeroThresholdIsDivided) {
  const HomVec4 v = HomVec4::init(1e-15, 0, 0, 0);
  ASSERT_EQ(v.norm(), 1e-15);  // the threshold is strict, so this one is divided
  expectExactly(v.normalize(), 1, 0, 0, 0);
}

TEST(HomVec4, NormalizeDividesEachCoordinateByTheNorm) {
  const HomVec4 v = HomVec4::init(1, 0.3, 7, 0.1);
  const double n = v.norm();
  // Guard: for this vector a reciprocal-and-multiply would give other bits.
  ASSERT_FALSE(v.x / n == v.x * (1.0 / n) && v.y / n == v.y * (1.0 / n) && v.z / n == v.z * (1.0 / n) &&
               v.w / n == v.w * (1.0 / n));
  expectExactly(v.normalize(), v.x / n, v.y / n, v.z / n, v.w / n);
}

TEST(HomVec4, NormalizeKeepsTheSign) {
  const HomVec4 v = HomVec4::init(3, -1, 0.5, -4);
  const HomVec4 p = v.normalize();
  const HomVec4 m = HomVec4::init(-3, 1, -0.5, 4).normalize();
  expectExactly(m, -p.x, -p.y, -p.z, -p.w);
  EXPECT_LT(p.w, 0.0);
}

TEST(HomVec4, NaNNormalizesToNaN) {
  const HomVec4 n = HomVec4::init(1, 2, kNaN, 4).normalize();
  EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z) && std::isnan(n.w));
}

TEST(HomVec4, Cartesian3DividesByW) {
  const auto c = HomVec4::init(2, 4, 6, 2).cartesian3();
  EXPECT_EQ(c[0], 1.0);
  EXPECT_EQ(c[1], 2.0);
  EXPECT_EQ(c[2], 3.0);
}

struct WEpsRow {
  double w;
  bool at_infinity;
};

void PrintTo(const WEpsRow& row, std::ostream* os) { *os << "w = " << row.w; }

class Cartesian3WEps : public ::testing::TestWithParam<WEpsRow> {};

TEST_P(Cartesian3WEps, BoundaryIsStrict) {
  const WEpsRow row = GetParam();
  const HomVec4 v = HomVec4::init(1, 0, 0, row.w);
  const auto c = v.cartesian3();
  // At infinity the direction is divided by the 4-D norm, w included: just under 1.
  const double divisor = row.at_infinity ? std::sqrt(1.0 + row.w * row.w) : row.w;
  EXPECT_TRUE(sameBits(c[0], 1.0 / divisor));
  EXPECT_TRUE(sameBits(c[1], 0.0 / divisor));  // −0 for a negative w
  EXPECT_TRUE(sameBits(c[2], 0.0 / divisor));
}

INSTANTIATE_TEST_SUITE_P(HomVec4, Cartesian3WEps,
                         ::testing::Values(WEpsRow{1e-6, false}, WEpsRow{-1e-6, false}, WEpsRow{9.9e-7, true},
                                           WEpsRow{-9.9e-7, true}, WEpsRow{0.0, true}, WEpsRow{-0.0, true}),
                         [](const ::testing::TestParamInfo<WEpsRow>& info) {
                           return std::string(info.param.at_infinity ? "AtInfinity" : "Divides") +
                                  std::to_string(info.index);
                         });

TEST(HomVec4, Cartesian3AtInfinityIsUnitDirection) {
  const auto c = HomVec4::init(0, 3, 4, 0).cartesian3();
  EXPECT_EQ(c[0], 0.0);
  EXPECT_EQ(c[1], 0.6);
  EXPECT_EQ(c[2], 0.8);
  const auto just_under = HomVec4::init(1, 0, 0, 9.9e-7).cartesian3();
  EXPECT_LT(just_under[0], 1.0);
}

TEST(HomVec4, Cartesian3OfZeroVectorIsOrigin) {
  for (const HomVec4 v : {HomVec4::zero(), HomVec4::init(1e-16, 0, 0, 1e-16)}) {
    const auto c = v.cartesian3();
    EXPECT_TRUE(sameBits(c[0], 0.0) && sameBits(c[1], 0.0) && sameBits(c[2], 0.0));
  }
}

TEST(HomVec4, Cartesian3WithNaNWeightDivides) {
  const auto c = HomVec4::init(1, 2, 3, kNaN).cartesian3();
  EXPECT_TRUE(std::isnan(c[0]) && std::isnan(c[1]) && std::isnan(c[2]));
}

TEST(HomVec4, MultiplesNameTheSamePoint) {
  const HomVec4 v = HomVec4::init(1, 2, 3, 4);
  for (const double k : {1.0, 2.0, -1.0, -3.5, 1e-3, -1e5, 1e8}) {
    const HomVec4 kv = HomVec4::init(k * v.x, k * v.y, k * v.z, k * v.w);
    EXPECT_TRUE(HomVec4::isSamePoint(v, kv, 1e-8)) << "k = " << k;
    EXPECT_TRUE(HomVec4::isSamePoint(kv, v, 1e-8)) << "k = " << k;
    EXPECT_TRUE(HomVec4::isAntipodalTo(v, kv, 1e-8)) << "k = " << k;
  }
}

TEST(HomVec4, ZeroVectorIsNoPoint) {
  const HomVec4 v = HomVec4::init(1, 2, 3, 4);
  for (const double tol : {1e-300, 1e-15, 1e-8, 0.5}) {
    EXPECT_FALSE(HomVec4::isSamePoint(v, HomVec4::zero(), tol)) << tol;
    EXPECT_FALSE(HomVec4::isSamePoint(HomVec4::zero(), v, tol)) << tol;
    EXPECT_FALSE(HomVec4::isSamePoint(HomVec4::zero(), HomVec4::zero(), tol)) << tol;
    EXPECT_FALSE(HomVec4::isAntipodalTo(HomVec4::zero(), HomVec4::zero(), tol)) << tol;
  }
}

TEST(HomVec4, ToleranceIsAlsoTheZeroNormThreshold) {
  const HomVec4 ex = HomVec4::init(1, 0, 0, 0);
  EXPECT_TRUE(HomVec4::isSamePoint(ex, ex, 1.0));   // norm 1 is not below tol 1
  EXPECT_FALSE(HomVec4::isSamePoint(ex, ex, 1.5));  // norm 1 counts as zero here
  const HomVec4 short_v = HomVec4::init(1e-9, 0, 0, 0);
  EXPECT_FALSE(HomVec4::isSamePoint(short_v, short_v, 1e-8));
  EXPECT_TRUE(HomVec4::isSamePoint(short_v, short_v, 1e-10));
}

TEST(HomVec4, DifferentPointsAndNaNAreNotTheSame) {
  const HomVec4 v = HomVec4::init(1, 2, 3, 4);
  EXPECT_FALSE(HomVec4::isSamePoint(v, HomVec4::init(1, 2, 3, 5), 1e-8));
  EXPECT_FALSE(HomVec4::isAntipodalTo(v, HomVec4::init(1, 2, 3, 5), 1e-8));
  EXPECT_FALSE(HomVec4::isSamePoint(v, HomVec4::init(1, 0, 0, 0), 1e-8));
  EXPECT_FALSE(HomVec4::isSamePoint(v, HomVec4::init(kNaN, 2, 3, 4), 1e-8));
  EXPECT_FALSE(HomVec4::isSamePoint(v, v, kNaN));
}

TEST(HomVec4, EveryVectorIsAntipodalToItself) {
  for (const HomVec4 v : {HomVec4::init(1, 2, 3, 4), HomVec4::init(-1e-8, 0, 0, 0), HomVec4::init(0, 0, 0, 1e10)}) {
    EXPECT_TRUE(HomVec4::isAntipodalTo(v, v, 1e-8));
  }
}

struct CardRow {
  HomVec4 v;
  AffineCard expected;
};

void PrintTo(const CardRow& row, std::ostream* os) {
  *os << "(" << row.v.x << ", " << row.v.y << ", " << row.v.z << ", " << row.v.w << ")";
}

class PickBestCard : public ::testing::TestWithParam<CardRow> {};

TEST_P(PickBestCard, LargestMagnitudeWithTiesToTheEarlierChart) {
  EXPECT_EQ(GetParam().v.pickBestCard(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    HomVec4, PickBestCard,
    ::testing::Values(
        CardRow{HomVec4::init(1, 2, 3, 4), AffineCard::UW}, CardRow{HomVec4::init(5, 1, 1, 1), AffineCard::UX},
        CardRow{HomVec4::init(1, 6, 1, 1), AffineCard::UY}, CardRow{HomVec4::init(1, 1, 7, 1), AffineCard::UZ},
        CardRow{HomVec4::init(1, 1, 1, 1), AffineCard::UW}, CardRow{HomVec4::zero(), AffineCard::UW},
        CardRow{HomVec4::init(2, 2, 1, 1), AffineCard::UX}, CardRow{HomVec4::init(1, 3, 3, 1), AffineCard::UY},
        CardRow{HomVec4::init(1, 1, 3, 3), AffineCard::UW}, CardRow{HomVec4::init(-5, 1, 1, 1), AffineCard::UX},
        CardRow{HomVec4::init(0, 0, -2, 1), AffineCard::UZ}, CardRow{HomVec4::init(1, 1, 1, -4), AffineCard::UW},
        CardRow{HomVec4::init(kNaN, kNaN, kNaN, kNaN), AffineCard::UZ}),
    [](const ::testing::TestParamInfo<CardRow>& info) { return "Row" + std::to_string(info.index); });

TEST(HomVec4, AffineCardIsOneByteInChartOrder) {
  static_assert(sizeof(AffineCard) == 1);
  static_assert(static_cast<int>(AffineCard::UW) == 0 && static_cast<int>(AffineCard::UX) == 1 &&
                static_cast<int>(AffineCard::UY) == 2 && static_cast<int>(AffineCard::UZ) == 3);
}

}  // namespace
}  // namespace orvek_kernel
