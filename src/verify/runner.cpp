#include "verify/runner.hpp"

#include "orvek_ecs/checked.hpp"
#include "verify/case_allocator.hpp"
#include "verify/console.hpp"
#include "verify/log.hpp"

namespace orvek_verify {
namespace {

std::string caseHeading(std::size_t position, std::size_t total, std::string_view name) {
  std::string text = std::to_string(position);
  text += '/';
  text += std::to_string(total);
  text += ' ';
  text += name;
  text += "...";
  return text;
}

}  // namespace

void RunCounters::countOutcome(CaseResult::Kind kind) noexcept {
  switch (kind) {
    case CaseResult::Kind::pass: orvek_ecs::checkedIncrement(passed); return;
    case CaseResult::Kind::skip: orvek_ecs::checkedIncrement(skipped); return;
    case CaseResult::Kind::fail: orvek_ecs::checkedIncrement(failed); return;
  }
}

void RunCounters::countLeak() noexcept { orvek_ecs::checkedIncrement(leaked); }

void RunCounters::count(const CaseOutcome& outcome) noexcept {
  countOutcome(outcome.kind);
  if (outcome.leaked) countLeak();
}

std::string formatTrace(const CaseResult& result) {
  std::string text = "error: ";
  text += errorName(result.error());
  text += '\n';
  for (const SourceLocation& where : result.trace()) {
    text += "    at ";
    text += where.file;
    text += ':';
    text += std::to_string(where.line);
    text += " in ";
    text += where.function;
    text += '\n';
  }
  return text;
}

std::string formatSummary(const RunCounters& counters, std::uint64_t total, std::uint64_t errors_logged) {
  std::string text;
  if (counters.passed == total) {
    text += "All " + std::to_string(counters.passed) + " tests passed.\n";
  } else {
    text += std::to_string(counters.passed) + " passed; " + std::to_string(counters.skipped) + " skipped; " +
            std::to_string(counters.failed) + " failed.\n";
  }
  if (errors_logged > 0) text += std::to_string(errors_logged) + " errors were logged.\n";
  if (counters.leaked > 0) text += std::to_string(counters.leaked) + " tests leaked memory.\n";
  return text;
}

int exitStatus(const RunCounters& counters, std::uint64_t errors_logged) noexcept {
  return counters.failed > 0 || counters.leaked > 0 || errors_logged > 0 ? 1 : 0;
}

CaseOutcome runCase(const Case& c, std::size_t position, std::size_t total, Console& console) noexcept {
  resetCaseAllocator();
  setLogThreshold(LogLevel::warning);
  console.beginCase(c.name);
  const bool terminal = console.terminal();
  if (!terminal) console.write(caseHeading(position, total, c.name));

  const CaseResult result = c.run();
  CaseOutcome outcome;
  outcome.kind = result.kind();
  switch (result.kind()) {
    case CaseResult::Kind::pass:
      console.endCase();
      if (!terminal) console.write("OK\n");
      break;
    case CaseResult::Kind::skip:
      console.write(terminal ? caseHeading(position, total, c.name) + "SKIP\n" : std::string("SKIP\n"));
      console.endCase();
      break;
    case CaseResult::Kind::fail: {
      outcome.error = result.error();
      std::string text = terminal ? caseHeading(position, total, c.name) : std::string();
      text += "FAIL (";
      text += errorName(result.error());
      text += ")\n";
      text += formatTrace(result);
      console.write(text);
      console.endCase();
      break;
    }
  }
  // The allocator reports each leaked block itself, so its messages follow the OK or FAIL text.
  outcome.leaked = tearDownCaseAllocator() > 0;
  return outcome;
}

RunSummary runCases(std::span<const Case> cases, Sink& sink, bool terminal) noexcept {
  Console console(sink, terminal, cases.size());
  const ScopedConsole active(console);
  RunSummary summary;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const CaseOutcome outcome = runCase(cases[i], i + 1, cases.size(), console);
    summary.counters.count(outcome);
  }
  console.finish();
  summary.errors_logged = loggedErrorCount();
  console.write(formatSummary(summary.counters, cases.size(), summary.errors_logged));
  summary.exit_status = exitStatus(summary.counters, summary.errors_logged);
  return summary;
}

}  // namespace orvek_verify
