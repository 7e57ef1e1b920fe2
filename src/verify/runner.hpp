#pragma once
/// The run loop: every case of a registry once, in order, with its report and the summary.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "verify/case.hpp"
#include "verify/console.hpp"
#include "verify/sink.hpp"

namespace orvek_verify {

/// How one case ended.
struct CaseOutcome {
  CaseResult::Kind kind = CaseResult::Kind::pass;
  CaseError error = CaseError::TestUnexpectedResult;  ///< meaningful for a failure only
  bool leaked = false;
};

/// The run counters; every increment is checked and panics with "integer overflow" past 2^64 − 1.
struct RunCounters {
  std::uint64_t passed = 0;
  std::uint64_t skipped = 0;
  std::uint64_t failed = 0;
  std::uint64_t leaked = 0;

  /// Counts one case that ended with `kind`.
  void countOutcome(CaseResult::Kind kind) noexcept;
  /// Counts one case that left memory allocated (once per case, however many blocks).
  void countLeak() noexcept;
  /// Counts one case by how it ended: its kind, and its leak if it leaked.
  void count(const CaseOutcome& outcome) noexcept;
};

/// What a run ends with: its counters, the logged-error count and the exit status.
struct RunSummary {
  RunCounters counters;
  std::uint64_t errors_logged = 0;
  int exit_status = 0;
};

/// Runs `c` as case `position` (from 1) of `total` with a fresh case allocator, writing its report
/// lines to `console` and any leak report after them.
CaseOutcome runCase(const Case& c, std::size_t position, std::size_t total, Console& console) noexcept;

/// Runs every case of `cases` in order and writes the report and summary to `sink`; `terminal`
/// selects the terminal form (live progress line, no per-case OK lines).
RunSummary runCases(std::span<const Case> cases, Sink& sink, bool terminal) noexcept;

/// The failure trace written after "FAIL (…)": "error: {name}" and one "    at file:line in function"
/// line per location the failure was returned through, innermost first.
std::string formatTrace(const CaseResult& result);

/// The summary lines for `counters` after a run of `total` cases with `errors_logged` logged errors.
std::string formatSummary(const RunCounters& counters, std::uint64_t total, std::uint64_t errors_logged);

/// 1 when any case failed or leaked or any error was logged, else 0.
int exitStatus(const RunCounters& counters, std::uint64_t errors_logged) noexcept;

}  // namespace orvek_verify
