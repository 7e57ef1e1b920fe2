#include "orvek_kernel/simd.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <type_traits>

#include "bit_equal.hpp"

namespace orvek_kernel {
namespace {

using testing::sameBits;

constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void expectLanes(f32x4 v, float x, float y, float z, float w) {
  const auto l = simdLanes(v);
  EXPECT_TRUE(sameBits(l[0], x));
  EXPECT_TRUE(sameBits(l[1], y));
  EXPECT_TRUE(sameBits(l[2], z));
  EXPECT_TRUE(sameBits(l[3], w));
}

TEST(F32x4, IsOneAlignedRegisterWithLanesInOrder) {
  static_assert(sizeof(f32x4) == 16 && alignof(f32x4) == 16);
  static_assert(std::is_trivially_copyable_v<f32x4>);
  expectLanes(f32x4(1, 2, 3, 4), 1, 2, 3, 4);
  expectLanes(f32x4(-0.0f, 0.5f, 1e-40f, -7.25f), -0.0f, 0.5f, 1e-40f, -7.25f);
}

TEST(SimdDot4, KnownValues) {
  EXPECT_EQ(simdDot4(f32x4(1, 0, 0, 0), f32x4(1, 0, 0, 0)), 1.0f);
  EXPECT_EQ(simdDot4(f32x4(1, 2, 3, 4), f32x4(5, 6, 7, 8)), 70.0f);
  EXPECT_EQ(simdDot4(f32x4(1, 0, 0, 0), f32x4(0, 1, 0, 0)), 0.0f);
}

TEST(SimdDot4, SumsLanesLeftToRightInSinglePrecision) {
  // ((1e8 + 1) − 1e8) + 1 is 1 in f32; pairwise or horizontal-add trees give 0, and a
  // double-precision sum gives 2.
  const f32x4 a(1e8f, 1, -1e8f, 1);
  const f32x4 ones(1, 1, 1, 1);
  EXPECT_EQ(simdDot4(a, ones), 1.0f);
  ASSERT_NE((1e8f + 1.0f) + (-1e8f + 1.0f), 1.0f);

  const f32x4 b(0.1f, 3.7f, -2.2f, 1e-3f);
  const f32x4 c(9.1f, -0.4f, 5.5f, 123.0f);
  const float p0 = 0.1f * 9.1f, p1 = 3.7f * -0.4f, p2 = -2.2f * 5.5f, p3 = 1e-3f * 123.0f;
  EXPECT_TRUE(sameBits(simdDot4(b, c), ((p0 + p1) + p2) + p3));
}

TEST(SimdNormalize3, ScalesAllFourLanes) {
  const f32x4 n = simdNormalize3(f32x4(3, 0, 0, 4));
  expectLanes(n, 0.6f, 0.0f, 0.0f, 0.8f);  // over x, y, z alone w would stay 4
  EXPECT_NEAR(simdDot4(n, n), 1.0f, 1e-5f);
}

TEST(SimdNormalize3, DividesByTheBroadcastLength) {
  const float x = 1.0f, y = 0.3f, z = 7.0f, w = 0.1f;
  const float len = std::sqrt(((x * x + y * y) + z * z) + w * w);
  // Guard: for this vector a reciprocal-and-multiply would give other bits.
  ASSERT_FALSE(x / len == x * (1 / len) && y / len == y * (1 / len) && z / len == z * (1 / len) &&
               w / len == w * (1 / len));
  expectLanes(simdNormalize3(f32x4(x, y, z, w)), x / len, y / len, z / len, w / len);
  expectLanes(simdNormalize3(f32x4(-x, -y, -z, -w)), -x / len, -y / len, -z / len, -w / len);
}

TEST(SimdNormalize3, ZeroLengthGivesChartOrigin) {
  expectLanes(simdNormalize3(f32x4(0, 0, 0, 0)), 0, 0, 0, 1);
  expectLanes(simdNormalize3(f32x4(-0.0f, 0, 0, -0.0f)), 0, 0, 0, 1);
  expectLanes(simdNormalize3(f32x4(1e-8f, 1e-8f, 0, 0)), 0, 0, 0, 1);
}

TEST(SimdNormalize3, ThresholdIsOnTheSquaredLengthAndStrict) {
  const float threshold = static_cast<float>(1e-15);
  ASSERT_EQ(static_cast<double>(threshold), 1.0000000036274937e-15);
  // a² is one f32 step below the threshold; adding b² (about one step) lands on it exactly.
  const float a = 3.16227755e-08f;
  const float b = std::sqrt(std::ldexp(1.0f, -73));
  ASSERT_LT(simdDot4(f32x4(a, 0, 0, 0), f32x4(a, 0, 0, 0)), threshold);
  ASSERT_EQ(simdDot4(f32x4(a, b, 0, 0), f32x4(a, b, 0, 0)), threshold);

  expectLanes(simdNormalize3(f32x4(a, 0, 0, 0)), 0, 0, 0, 1);
  const auto at = simdLanes(simdNormalize3(f32x4(a, b, 0, 0)));
  EXPECT_NEAR(at[0], 1.0f, 1e-6f);
  EXPECT_GT(at[1], 0.0f);
  EXPECT_EQ(at[3], 0.0f);
  // A length of 3e-8 is far above 1e-15 but its square is not: still the fallback.
  expectLanes(simdNormalize3(f32x4(0, 0, 3e-8f, 0)), 0, 0, 0, 1);
}

TEST(SimdNormalize3, NaNLaneGivesNaNLanes) {
  const auto l = simdLanes(simdNormalize3(f32x4(1, kNaNf, 0, 0)));
  for (const float lane : l) EXPECT_TRUE(std::isnan(lane));
}

TEST(CordicInvSqrt, DocumentedValues) {
  EXPECT_NEAR(cordicInvSqrt(4), 0.49999999998619, 5e-15);
  EXPECT_NEAR(cordicInvSqrt(1), 0.99999999997238, 5e-15);
  EXPECT_NEAR(cordicInvSqrt(9), 0.33333333333142, 5e-15);
  EXPECT_NEAR(cordicInvSqrt(4), 0.5, 1e-10);
  EXPECT_NEAR(cordicInvSqrt(9), 0.3333333333333333, 1e-10);
}

TEST(CordicInvSqrt, MatchesTheStepsBitForBit) {
  // The estimate and the three steps written out for x = 2: 0x5fe6eb50c7b537a9 − (bits >> 1).
  const double half_x = 1.0;
  double y = std::bit_cast<double>(std::uint64_t{0x5fe6eb50c7b537a9} - (std::bit_cast<std::uint64_t>(2.0) >> 1));
  for (int step = 0; step < 3; ++step) y = y * (1.5 - ((half_x * y) * y));
  EXPECT_TRUE(sameBits(cordicInvSqrt(2.0), y));
}

TEST(CordicInvSqrt, WithinRelative3e11BelowForNormals) {
  for (double x = DBL_MIN; x < DBL_MAX / 1.37; x *= 1.37) {
    const double exact = 1.0 / std::sqrt(x);
    const double rel = (exact - cordicInvSqrt(x)) / exact;
    // "Exact" is itself rounded twice, hence the sliver above zero.
    ASSERT_LE(rel, 3.2e-11) << x;
    ASSERT_GE(rel, -5e-16) << x;
  }
  EXPECT_NEAR(cordicInvSqrt(DBL_MAX) * std::sqrt(DBL_MAX), 1.0, 3.2e-11);
}

struct SpecialRow {
  double x;
  bool nan_out;
};

void PrintTo(const SpecialRow& row, std::ostream* os) { *os << "x = " << row.x; }

class CordicInvSqrtSpecial : public ::testing::TestWithParam<SpecialRow> {};

TEST_P(CordicInvSqrtSpecial, NonPositiveIsZeroAndNaNStaysNaN) {
  const SpecialRow row = GetParam();
  const double y = cordicInvSqrt(row.x);
  if (row.nan_out) {
    EXPECT_TRUE(std::isnan(y)) << row.x;
  } else {
    EXPECT_TRUE(sameBits(y, 0.0)) << row.x << " gave " << y;
  }
}

INSTANTIATE_TEST_SUITE_P(CordicInvSqrt, CordicInvSqrtSpecial,
                         ::testing::Values(SpecialRow{0.0, false}, SpecialRow{-0.0, false}, SpecialRow{-1.0, false},
                                           SpecialRow{-DBL_MIN, false}, SpecialRow{-kInf, false},
                                           SpecialRow{kInf, false},  // the limit, not the −∞ of the raw steps
                                           SpecialRow{kNaN, true}, SpecialRow{-kNaN, true},
                                           SpecialRow{std::bit_cast<double>(std::uint64_t{0xfff8000000000001}), true}),
                         [](const ::testing::TestParamInfo<SpecialRow>& info) {
                           return "Row" + std::to_string(info.index);
                         });

}  // namespace
}  // namespace orvek_kernel
