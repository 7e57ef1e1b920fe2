#include "verify/listen.hpp"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "verify/console.hpp"
#include "verify/json.hpp"
#include "verify/log.hpp"
#include "verify/runner.hpp"

namespace orvek_verify {
namespace {

constexpr std::string_view kUnknownRequest = "{\"error\":\"unknown request\"}\n";

std::string_view statusName(CaseResult::Kind kind) noexcept {
  switch (kind) {
    case CaseResult::Kind::pass: return "pass";
    case CaseResult::Kind::skip: return "skip";
    case CaseResult::Kind::fail: return "fail";
  }
  return "fail";
}

// The 1-based case number of "run N", or 0 when `request` is no such request for these cases.
std::size_t runTarget(std::string_view request, std::size_t count) noexcept {
  constexpr std::string_view kRun = "run ";
  if (!request.starts_with(kRun)) return 0;
  const std::string_view digits = request.substr(kRun.size());
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return 0;
  std::uint64_t value = 0;
  const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (res.ec != std::errc{} || res.ptr != digits.data() + digits.size()) return 0;
  return value >= 1 && value <= count ? static_cast<std::size_t>(value) : 0;
}

std::string listReply(std::span<const Case> cases) {
  std::string out;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    out += "{\"index\":" + std::to_string(i + 1) + ",\"name\":" + jsonString(cases[i].name) + "}\n";
  }
  out += "{\"count\":" + std::to_string(cases.size()) + "}\n";
  return out;
}

std::string runReply(std::size_t index, const Case& c, const CaseOutcome& outcome) {
  std::string out = "{\"index\":" + std::to_string(index) + ",\"name\":" + jsonString(c.name) + ",\"status\":\"";
  out += statusName(outcome.kind);
  out += "\",\"error\":";
  out += outcome.kind == CaseResult::Kind::fail ? jsonString(errorName(outcome.error)) : std::string("null");
  out += ",\"leaked\":";
  out += outcome.leaked ? "true" : "false";
  out += "}\n";
  return out;
}

}  // namespace

int runListenSession(std::span<const Case> cases, Source& requests, Sink& replies, Sink& report) noexcept {
  // The report of a case run goes to the report stream in its plain (non-terminal) form; the build
  // tool reads the replies, a person may read the report.
  Console console(report, false, cases.size());
  const ScopedConsole active(console);
  RunCounters counters;
  std::string line;
  while (requests.nextLine(line)) {
    std::string_view request = line;
    if (request.ends_with('\r')) request.remove_suffix(1);
    if (request == "quit") break;
    if (request == "list") {
      replies.write(listReply(cases));
      continue;
    }
    const std::size_t index = runTarget(request, cases.size());
    if (index == 0) {
      replies.write(kUnknownRequest);
      continue;
    }
    const CaseOutcome outcome = runCase(cases[index - 1], index, cases.size(), console);
    counters.count(outcome);
    replies.write(runReply(index, cases[index - 1], outcome));
  }
  return exitStatus(counters, loggedErrorCount());
}

}  // namespace orvek_verify
