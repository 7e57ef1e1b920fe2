#include "verify/check.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "verify/console.hpp"

namespace orvek_verify {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

class CheckTest : public ::testing::Test {
 protected:
  StringSink sink;
  Console console{sink, false};
  ScopedConsole active{console};
};

TEST_F(CheckTest, ApproxEqAbsDecisions) {
  const struct {
    double expected, actual, tolerance;
    bool passes;
  } table[] = {
      {1.0, 1.0, 0.0, true},    {kInf, kInf, 0.0, true},      {-kInf, -kInf, 1.0, true},
      {1.0, 1.5, 0.5, true},    {1.0, 1.5000001, 0.5, false}, {kNan, kNan, kInf, false},
      {1.0, kNan, kInf, false}, {kInf, -kInf, 1e300, false},  {0.0, -0.0, 0.0, true},
  };
  for (const auto& row : table) {
    EXPECT_EQ(expectApproxEqAbs(row.expected, row.actual, row.tolerance).passed(), row.passes)
        << row.expected << " " << row.actual << " " << row.tolerance;
  }
  const CaseResult failed = expectApproxEqAbs(1.0f, 2.0f, 0.5f);
  EXPECT_EQ(failed.error(), CaseError::TestExpectedApproxEqAbs);
}

TEST_F(CheckTest, ToleranceMessageGoesToTheRunsStream) {
  EXPECT_FALSE(expectApproxEqAbs(0.6, 0.5, 1e-10).passed());
  EXPECT_FALSE(expectApproxEqAbs(1.0f, 0.1f, 0.25f).passed());
  EXPECT_EQ(sink.text(),
            "actual 5e-1, not within absolute tolerance 1e-10 of expected 6e-1\n"
            "actual 1e-1, not within absolute tolerance 2.5e-1 of expected 1e0\n");
}

TEST_F(CheckTest, ExpectPrintsNothing) {
  const CaseResult r = expect(false);
  EXPECT_EQ(r.kind(), CaseResult::Kind::fail);
  EXPECT_EQ(r.error(), CaseError::TestUnexpectedResult);
  EXPECT_TRUE(expect(true).passed());
  EXPECT_EQ(sink.text(), "");
}

}  // namespace
}  // namespace orvek_verify
