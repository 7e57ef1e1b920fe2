#pragma once
/// Bitwise comparisons for the tests: results are specified to the last bit, and
/// EXPECT_EQ on doubles would equate +0 with −0 and fail on equal NaNs.

#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstdint>

#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_kernel::testing {

/// Success when a and b have the same 64-bit pattern.
inline ::testing::AssertionResult sameBits(double a, double b) {
  if (std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << a << " and " << b << " differ in their bits";
}

/// Success when a and b have the same 32-bit pattern.
inline ::testing::AssertionResult sameBits(float a, float b) {
  if (std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << a << " and " << b << " differ in their bits";
}

/// Success when the four coordinates of a and b have the same bits; names the first that differs.
inline ::testing::AssertionResult sameBits(HomVec4 a, HomVec4 b) {
  const double as[] = {a.x, a.y, a.z, a.w};
  const double bs[] = {b.x, b.y, b.z, b.w};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!sameBits(as[i], bs[i])) {
      return ::testing::AssertionFailure() << "coordinate " << i << ": " << std::hexfloat << as[i] << " vs " << bs[i];
    }
  }
  return ::testing::AssertionSuccess();
}

/// Success when all 16 stored values of a and b have the same bits; names the first that differs.
inline ::testing::AssertionResult sameBits(const PGL4& a, const PGL4& b) {
  for (std::size_t i = 0; i < 16; ++i) {
    if (!sameBits(a.data[i], b.data[i])) {
      return ::testing::AssertionFailure()
             << "data[" << i << "]: " << std::hexfloat << a.data[i] << " vs " << b.data[i];
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace orvek_kernel::testing
