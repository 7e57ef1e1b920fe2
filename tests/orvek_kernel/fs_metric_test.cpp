#include "orvek_kernel/fs_metric.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <ostream>
#include <string>

#include "bit_equal.hpp"

namespace orvek_kernel {
namespace {

using testing::sameBits;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kR = R_VORENA_KM * 1000.0;

TEST(FsDistance, KnownValues) {
  const HomVec4 ex = HomVec4::init(1, 0, 0, 0);
  EXPECT_EQ(fsDistance(ex, ex), 0.0);
  EXPECT_EQ(fsDistance(ex, HomVec4::init(0, 1, 0, 0)), std::numbers::pi / 2);
  EXPECT_EQ(fsDistance(HomVec4::init(2, 0, 0, 0), HomVec4::init(0, 0, 0, 5)), std::numbers::pi / 2);
  EXPECT_NEAR(fsDistance(ex, HomVec4::init(1, 0, 0, 1)), std::numbers::pi / 4, 1e-15);
}

TEST(FsDistance, BlindToLengthAndSign) {
  const HomVec4 v = HomVec4::init(0.3, -1.2, 2.5, 0.7);
  for (const double k : {1.0, -1.0, 2.0, -0.25, 1e6, -1e-6}) {
    const HomVec4 kv = HomVec4::init(k * v.x, k * v.y, k * v.z, k * v.w);
    EXPECT_NEAR(fsDistance(v, kv), 0.0, 1e-6) << "k = " << k;
  }
}

TEST(FsDistance, RatioRoundedAboveOneIsClamped) {
  // For this vector |dot(v, v)| / (norm·norm) rounds to 1 + 2^-52; without the clamp
  // the arccosine would be NaN.
  const HomVec4 v = HomVec4::init(0.1, 0.3, 0.7, 1.1);
  const double n = v.norm();
  ASSERT_GT(std::fabs(HomVec4::dot(v, v)) / (n * n), 1.0);
  EXPECT_TRUE(sameBits(fsDistance(v, v), 0.0));
}

TEST(FsDistance, ZeroAndNaNVectorsAreAtDistanceZero) {
  const HomVec4 v = HomVec4::init(1, 2, 3, 4);
  EXPECT_TRUE(sameBits(fsDistance(v, HomVec4::zero()), 0.0));
  EXPECT_TRUE(sameBits(fsDistance(HomVec4::zero(), v), 0.0));
  EXPECT_TRUE(sameBits(fsDistance(v, HomVec4::init(1e-16, 0, 0, 0)), 0.0));
  EXPECT_TRUE(sameBits(fsDistance(v, HomVec4::init(kNaN, 0, 0, 1)), 0.0));
  EXPECT_TRUE(sameBits(fsDistance(HomVec4::init(0, kNaN, 0, 0), v), 0.0));
}

TEST(FsDistance, SymmetricBitForBitAndInRange) {
  const HomVec4 points[] = {HomVec4::init(1, 2, 3, 4),           HomVec4::init(-0.3, 0.1, 7, 1e-3),
                            HomVec4::init(1e-7, -2e-8, 0, 5e-8), HomVec4::init(0.6, 0.8, 0, 0),
                            HomVec4::init(3, 1, -4, 1.5),        HomVec4::init(1e12, 1, 1, 1)};
  for (const HomVec4& a : points) {
    for (const HomVec4& b : points) {
      const double ab = fsDistance(a, b);
      EXPECT_TRUE(sameBits(ab, fsDistance(b, a)));
      EXPECT_GE(ab, 0.0);
      EXPECT_LE(ab, std::numbers::pi / 2);
    }
  }
}

TEST(WeightConversions, WFromDistance) {
  EXPECT_EQ(wFromDistance(0, kR), 1.0);
  EXPECT_EQ(wFromDistance(0, -3.0), 1.0);
  EXPECT_NEAR(wFromDistance(std::numbers::pi * kR, kR), 0.0, 1e-15);
  for (const double s : {1.0, 1000.0, 12345.678, 1e7})
    EXPECT_TRUE(sameBits(wFromDistance(-s, kR), wFromDistance(s, kR)));
  // The product 2·R is formed first, then the division.
  EXPECT_TRUE(sameBits(wFromDistance(1000.0, kR), std::cos(1000.0 / (2.0 * kR))));
}

struct ClampRow {
  double w;
  double expected_arccos;  // the arccosine of the clamped weight
};

void PrintTo(const ClampRow& row, std::ostream* os) { *os << "W = " << row.w; }

class SFromWClamp : public ::testing::TestWithParam<ClampRow> {};

TEST_P(SFromWClamp, ClampsBeforeTheArccosine) {
  const ClampRow row = GetParam();
  const double s = sFromW(row.w, kR);
  EXPECT_FALSE(std::isnan(s));
  EXPECT_TRUE(sameBits(s, (2.0 * kR) * row.expected_arccos)) << "W = " << row.w;
}

INSTANTIATE_TEST_SUITE_P(WeightConversions, SFromWClamp,
                         ::testing::Values(ClampRow{1.0, 0.0}, ClampRow{1.5, 0.0}, ClampRow{kNaN, 0.0},
                                           ClampRow{std::numeric_limits<double>::infinity(), 0.0},
                                           ClampRow{-1.0, std::acos(-1.0)}, ClampRow{-7.0, std::acos(-1.0)},
                                           ClampRow{-std::numeric_limits<double>::infinity(), std::acos(-1.0)},
                                           ClampRow{0.25, std::acos(0.25)}),
                         [](const ::testing::TestParamInfo<ClampRow>& info) {
                           return "Row" + std::to_string(info.index);
                         });

TEST(WeightConversions, RoundTripGivesBackTheDistance) {
  for (const double s : {0.0, 1.0, 1000.0, 1e6, 3e7}) {
    EXPECT_NEAR(sFromW(wFromDistance(s, kR), kR), s, 0.01) << s;
    EXPECT_NEAR(sFromW(wFromDistance(-s, kR), kR), s, 0.01) << "negative " << s;
  }
  EXPECT_NEAR(sFromW(-1.0, kR), 2.0 * std::numbers::pi * kR, 1e-6);
}

TEST(WeightConversions, HugeRadiusWhoseDiameterOverflowsIsNeverNaN) {
  const double huge = std::numeric_limits<double>::max();
  EXPECT_EQ(sFromW(1.0, huge), 0.0);
  EXPECT_EQ(sFromW(1.0, -huge), 0.0);
  EXPECT_EQ(sFromW(-1.0, huge), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(sameBits(sFromW(0.5, 1e307), (2.0 * 1e307) * std::acos(0.5)));  // diameter still finite
}

TEST(WeightConversions, WorldRadius) { EXPECT_EQ(R_VORENA_KM, 5838.4); }

}  // namespace
}  // namespace orvek_kernel
