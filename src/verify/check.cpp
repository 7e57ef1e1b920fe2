#include "verify/check.hpp"

#include <cmath>
#include <string>

#include "verify/format.hpp"
#include "verify/report.hpp"

namespace orvek_verify {
namespace {

template <typename T>
CaseResult approxEqAbs(T expected, T actual, T tolerance, SourceLocation where) noexcept {
  if (expected == actual) return CaseResult::pass();
  if (!std::isnan(expected) && !std::isnan(actual) && std::fabs(expected - actual) <= tolerance) {
    return CaseResult::pass();
  }
  std::string message = "actual ";
  message += formatFloat(actual);
  message += ", not within absolute tolerance ";
  message += formatFloat(tolerance);
  message += " of expected ";
  message += formatFloat(expected);
  message += '\n';
  writeReport(message);
  return CaseResult::fail(CaseError::TestExpectedApproxEqAbs, where);
}

}  // namespace

std::string_view errorName(CaseError error) noexcept {
  switch (error) {
    case CaseError::TestUnexpectedResult: return "TestUnexpectedResult";
    case CaseError::TestExpectedApproxEqAbs: return "TestExpectedApproxEqAbs";
    case CaseError::OutOfMemory: return "OutOfMemory";
  }
  return "TestUnexpectedResult";
}

CaseResult expectApproxEqAbs(double expected, double actual, double tolerance, SourceLocation where) noexcept {
  return approxEqAbs(expected, actual, tolerance, where);
}

CaseResult expectApproxEqAbs(float expected, float actual, float tolerance, SourceLocation where) noexcept {
  return approxEqAbs(expected, actual, tolerance, where);
}

}  // namespace orvek_verify
