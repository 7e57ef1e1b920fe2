#include "verify/format.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace orvek_verify {
namespace {

TEST(FormatFloat, ShortestRoundTripWithPlainExponent) {
  const struct {
    double value;
    const char* text;
  } table[] = {
      {0.6, "6e-1"},
      {1.0, "1e0"},
      {1.5707963267948966, "1.5707963267948966e0"},
      {-3.2e-11, "-3.2e-11"},
      {0.0, "0e0"},
      {1e300, "1e300"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const auto& row : table) EXPECT_EQ(formatFloat(row.value), row.text) << row.text;
}

TEST(FormatFloat, SinglePrecisionUsesFloatDigits) { EXPECT_EQ(formatFloat(0.1f), "1e-1"); }

}  // namespace
}  // namespace orvek_verify
