#pragma once
/// A named verification case, as the registry holds it.

#include <span>
#include <string_view>

#include "verify/check.hpp"

namespace orvek_verify {

/// The body of a case: no arguments, the outcome as its result.
using CaseFn = CaseResult (*)();

/// A registry entry: the registered name ("module.test.Title") and the body.
struct Case {
  std::string_view name;
  CaseFn run;
};

}  // namespace orvek_verify
