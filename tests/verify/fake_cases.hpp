#pragma once
// Fake registries for the runner tests: the thirty registered names with bodies that pass,
// fail, skip or leak on purpose.

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "verify/case.hpp"

namespace orvek_verify::fake {

/// The registered names of the full registry, in run order.
extern const std::array<std::string_view, 30> kNames;

// Bodies with external linkage, so that leak stacks can name them.
CaseResult passes();
CaseResult skips();
/// A tolerance check that fails: actual 8e-1 against expected π/4 within 1e-10.
CaseResult failsTolerance();
/// Leaves one 16-byte block allocated and returns success.
CaseResult leaksOneBlock();
/// Fails inside a helper, so the trace has the helper's check and the case's call.
CaseResult failsInHelper();
/// Lowers the log threshold to debug and passes.
CaseResult lowersLogThreshold();
/// Logs an info message and passes.
CaseResult logsInfo();

/// Thirty passing cases under the registered names.
std::vector<Case> allPassing();

/// `allPassing()` with case `position` (from 1) replaced by `body`.
std::vector<Case> withCase(std::size_t position, CaseFn body);

}  // namespace orvek_verify::fake
