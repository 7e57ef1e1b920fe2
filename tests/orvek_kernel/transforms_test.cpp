#include "orvek_kernel/transforms.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "bit_equal.hpp"

namespace orvek_kernel {
namespace {

using testing::sameBits;

TEST(PglTranslate, TranslationSitsInColumnThree) {
  const PGL4 t = pglTranslate(1, 2, 3);
  EXPECT_TRUE(sameBits(t, PGL4::init({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1})));
  EXPECT_EQ(t.get(0, 3), 1.0);
  const auto c = pglTranslate(10, 20, 30).apply(HomVec4::fromCartesian(1, 2, 3)).cartesian3();
  EXPECT_EQ(c[0], 11.0);
  EXPECT_EQ(c[1], 22.0);
  EXPECT_EQ(c[2], 33.0);
  // A point at infinity (w = 0) is a direction and does not move.
  const HomVec4 d = t.apply(HomVec4::init(1, 0, 0, 0));
  EXPECT_TRUE(d.x == 1.0 && d.y == 0.0 && d.z == 0.0 && d.w == 0.0);
}

TEST(PglScale, DiagonalWithUnitWeight) {
  EXPECT_TRUE(sameBits(pglScale(2, 3, 4), PGL4::init({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1})));
  EXPECT_EQ(pglScale(2, 3, 4).det(), 24.0);
  EXPECT_EQ(pglScale(0, 3, 4).det(), 0.0);  // no check: a zero factor is singular without notice
}

TEST(PglRotateZ, TurnsXTowardsY) {
  const double angle = 0.7853981633974483;
  const PGL4 r = pglRotateZ(angle);
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  EXPECT_TRUE(sameBits(r, PGL4::init({c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})));
  const HomVec4 turned = r.apply(HomVec4::init(1, 0, 0, 1));
  EXPECT_TRUE(sameBits(turned.x, c));
  EXPECT_TRUE(sameBits(turned.y, s));
  EXPECT_EQ(turned.w, 1.0);
  EXPECT_NEAR(turned.norm(), std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(pglRotateZ(std::numbers::pi / 2).apply(HomVec4::init(1, 0, 0, 1)).y, 1.0, 1e-15);
}

TEST(PglRotateZ, ZeroAngleNegatesTheSineToMinusZero) {
  const PGL4 r = pglRotateZ(0.0);
  EXPECT_TRUE(std::signbit(r.get(0, 1)));
  EXPECT_FALSE(std::signbit(r.get(1, 0)));
  EXPECT_TRUE(sameBits(r.get(0, 1), -0.0));
  // −0 and +0 are equal, so it is still the identity as a value.
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(r.data[i], PGL4::identity().data[i]);
  // A negative zero angle has sine −0, so (0, 1) is +0 there.
  EXPECT_FALSE(std::signbit(pglRotateZ(-0.0).get(0, 1)));
}

TEST(PglFromHomogeneous, BuildsTheRowsAtCompileTime) {
  constexpr PGL4 m = pglFromHomogeneous({{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 5}}});
  static_assert(m.det() == 120.0);
  static_assert(m.get(3, 3) == 5.0 && m.data[15] == 5.0);
  EXPECT_EQ(m.det(), 120.0);

  constexpr std::array<std::array<double, 4>, 4> rows{{{1, 2, 0, 7}, {0, 1, 0, 0}, {3, 0, 1, 0}, {0, 0, 0, 1}}};
  constexpr PGL4 general = pglFromHomogeneous(rows);
  static_assert(general.get(0, 3) == 7.0 && general.get(2, 0) == 3.0);
  EXPECT_TRUE(sameBits(general, PGL4::fromRowMajor(rows)));
}

TEST(PglFromHomogeneous, AcceptsTheSmallestRegularDeterminant) {
  // |det| = 1e-15 is the smallest magnitude accepted, the same bound normalizeDet scales from.
  constexpr PGL4 m = pglFromHomogeneous({{{1e-15, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
  static_assert(m.det() == 1e-15);
  EXPECT_NE(m.normalizeDet().get(0, 0), m.get(0, 0));
}

}  // namespace
}  // namespace orvek_kernel
