#include "orvek_kernel/hom_vec4.hpp"

#include <gtest/gtest.h>

namespace orvek_kernel {
namespace {

TEST(HomVec4, ZeroVectorNormalizesToChartOrigin) {
  const HomVec4 n = HomVec4::zero().normalize();
  EXPECT_EQ(n.x, 0.0);
  EXPECT_EQ(n.y, 0.0);
  EXPECT_EQ(n.z, 0.0);
  EXPECT_EQ(n.w, 1.0);
}

}  // namespace
}  // namespace orvek_kernel
