#include "verify/runner.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "fake_cases.hpp"
#include "orvek_kernel/panic.hpp"
#include "terminal_screen.hpp"
#include "verify/log.hpp"
#include "verify/sink.hpp"

namespace orvek_verify {
namespace {

using testing::TerminalScreen;

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string okLine(std::size_t position, std::size_t total, std::string_view name) {
  return std::to_string(position) + "/" + std::to_string(total) + " " + std::string(name) + "...OK";
}

struct Report {
  RunSummary summary;
  std::string text;
};

class RunnerReport : public ::testing::Test {
 protected:
  void SetUp() override { setLoggedErrorCount(0); }
  void TearDown() override { setLoggedErrorCount(0); }

  static Report run(const std::vector<Case>& cases, bool terminal, std::size_t columns = 0) {
    StringSink sink(columns);
    const RunSummary summary = runCases(cases, sink, terminal);
    return {summary, sink.text()};
  }

  static std::vector<std::string> screen(const std::string& text, std::size_t columns) {
    TerminalScreen terminal(columns);
    terminal.feed(text);
    EXPECT_EQ(terminal.unknownSequences(), 0u);
    return terminal.lines();
  }
};

TEST_F(RunnerReport, AllPassingIsOneOkLinePerCaseThenTheSummary) {
  const Report r = run(fake::allPassing(), false);
  std::string expected;
  for (std::size_t i = 0; i < 30; ++i) expected += okLine(i + 1, 30, fake::kNames[i]) + "\n";
  expected += "All 30 tests passed.\n";
  EXPECT_EQ(r.text, expected);
  EXPECT_EQ(r.summary.exit_status, 0);
  EXPECT_EQ(r.summary.counters.passed, 30u);
}

TEST_F(RunnerReport, EmptyRegistryPassesWithZero) {
  for (const bool terminal : {false, true}) {
    const Report r = run({}, terminal);
    EXPECT_EQ(r.text, "All 0 tests passed.\n") << "terminal " << terminal;
    EXPECT_EQ(r.summary.exit_status, 0);
  }
}

TEST_F(RunnerReport, FailingToleranceCheckInCase17) {
  const Report r = run(fake::withCase(17, &fake::failsTolerance), false);
  const auto lines = splitLines(r.text);
  ASSERT_EQ(lines.size(), 16u + 4u + 13u + 1u) << r.text;
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(lines[i], okLine(i + 1, 30, fake::kNames[i]));
  // The check's message stands on the case's own line, before the FAIL text.
  EXPECT_EQ(lines[16],
            "17/30 orvek_kernel.test.Fubini-Study distance: known values...actual 8e-1, not within absolute "
            "tolerance 1e-10 of expected 7.853981633974483e-1");
  EXPECT_EQ(lines[17], "FAIL (TestExpectedApproxEqAbs)");
  EXPECT_EQ(lines[18], "error: TestExpectedApproxEqAbs");
  EXPECT_TRUE(std::regex_match(lines[19], std::regex(R"(    at .*fake_cases\.cpp:[0-9]+ in failsTolerance)")))
      << lines[19];
  for (std::size_t i = 17; i < 30; ++i) EXPECT_EQ(lines[i + 3], okLine(i + 1, 30, fake::kNames[i]));
  EXPECT_EQ(lines.back(), "29 passed; 0 skipped; 1 failed.");
  EXPECT_EQ(r.summary.exit_status, 1);
  EXPECT_EQ(r.summary.counters.failed, 1u);
  EXPECT_EQ(r.summary.errors_logged, 0u);
}

TEST_F(RunnerReport, TraceNamesTheFailingCheckAndTheCase) {
  const Report r = run({Case{"helper", &fake::failsInHelper}}, false);
  const auto lines = splitLines(r.text);
  ASSERT_EQ(lines.size(), 5u) << r.text;
  EXPECT_EQ(lines[0], "1/1 helper...FAIL (TestUnexpectedResult)");
  EXPECT_EQ(lines[1], "error: TestUnexpectedResult");
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(    at .*fake_cases\.cpp:[0-9]+ in helperCheck)"))) << lines[2];
  EXPECT_TRUE(std::regex_match(lines[3], std::regex(R"(    at .*fake_cases\.cpp:[0-9]+ in failsInHelper)")))
      << lines[3];
  EXPECT_EQ(lines[4], "0 passed; 0 skipped; 1 failed.");
}

TEST_F(RunnerReport, SkippedCaseNotOnATerminal) {
  const Report r = run(fake::withCase(5, &fake::skips), false);
  const auto lines = splitLines(r.text);
  ASSERT_EQ(lines.size(), 31u);
  EXPECT_EQ(lines[3], okLine(4, 30, fake::kNames[3]));
  EXPECT_EQ(lines[4], "5/30 orvek_ecs.test.ECS: Component lifecycle...SKIP");
  EXPECT_EQ(lines[5], okLine(6, 30, fake::kNames[5]));
  EXPECT_EQ(lines[30], "29 passed; 1 skipped; 0 failed.");
  EXPECT_EQ(r.summary.exit_status, 0);  // skips do not change the status
}

TEST_F(RunnerReport, SkippedCaseOnATerminalKeepsItsLine) {
  const Report r = run(fake::withCase(5, &fake::skips), true);
  EXPECT_EQ(screen(r.text, 200), (std::vector<std::string>{"5/30 orvek_ecs.test.ECS: Component lifecycle...SKIP",
                                                           "29 passed; 1 skipped; 0 failed."}));
  EXPECT_EQ(r.summary.exit_status, 0);
}

const std::regex kLeakLine(R"(\[gpa\] \(err\): memory address 0x[0-9a-f]+ leaked: 16 bytes, allocated at)");
const std::regex kFrameLine(R"(    #[0-9]+ 0x[0-9a-f]+ in .+)");

TEST_F(RunnerReport, LeakingCasePassesButFailsTheRun) {
  const Report r = run(fake::withCase(3, &fake::leaksOneBlock), false);
  const auto lines = splitLines(r.text);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(lines[2], okLine(3, 30, fake::kNames[2]));
  EXPECT_TRUE(std::regex_match(lines[3], kLeakLine)) << lines[3];
  std::size_t next = 4;
  bool names_case = false;
  while (next < lines.size() && lines[next].starts_with("    #")) {
    EXPECT_TRUE(std::regex_match(lines[next], kFrameLine)) << lines[next];
    names_case = names_case || lines[next].find("leaksOneBlock") != std::string::npos;
    ++next;
  }
  EXPECT_GT(next, 4u) << "the leak report carries the allocation stack";
  EXPECT_LE(next - 4, 10u) << "at most 10 frames";
  EXPECT_TRUE(names_case) << r.text;
  ASSERT_EQ(lines.size(), next + 27 + 3);
  for (std::size_t i = 3; i < 30; ++i) EXPECT_EQ(lines[next + i - 3], okLine(i + 1, 30, fake::kNames[i]));
  EXPECT_EQ(lines[next + 27], "All 30 tests passed.");
  EXPECT_EQ(lines[next + 28], "1 errors were logged.");
  EXPECT_EQ(lines[next + 29], "1 tests leaked memory.");
  EXPECT_EQ(r.summary.exit_status, 1);
  EXPECT_EQ(r.summary.counters.passed, 30u);
  EXPECT_EQ(r.summary.counters.leaked, 1u);
}

TEST_F(RunnerReport, TerminalShowsProgressThenOnlyTheSummary) {
  const Report r = run(fake::allPassing(), true);
  EXPECT_EQ(screen(r.text, 200), std::vector<std::string>{"All 30 tests passed."});
  EXPECT_EQ(r.text.find("...OK"), std::string::npos);
  EXPECT_NE(r.text.find("Test [0/30] orvek_ecs.test.ECS: Entity creation and lifecycle"), std::string::npos);
  EXPECT_NE(r.text.find("Test [29/30] orvek_kernel.test.PGL4 comptime"), std::string::npos);
  EXPECT_EQ(r.summary.exit_status, 0);
}

TEST_F(RunnerReport, NarrowTerminalProgressLineNeverWraps) {
  // A progress line that wrapped would leave its first part on the screen after the erase.
  for (const std::size_t columns : {std::size_t{20}, std::size_t{47}, std::size_t{80}}) {
    const Report r = run(fake::allPassing(), true, columns);
    EXPECT_EQ(screen(r.text, columns), std::vector<std::string>{"All 30 tests passed."}) << columns;
  }
}

TEST_F(RunnerReport, TerminalFailureKeepsMessageFailLineAndTrace) {
  const Report r = run(fake::withCase(17, &fake::failsTolerance), true, 300);
  const auto visible = screen(r.text, 300);
  ASSERT_EQ(visible.size(), 5u) << r.text;
  EXPECT_EQ(visible[0], "actual 8e-1, not within absolute tolerance 1e-10 of expected 7.853981633974483e-1");
  EXPECT_EQ(visible[1], "17/30 orvek_kernel.test.Fubini-Study distance: known values...FAIL (TestExpectedApproxEqAbs)");
  EXPECT_EQ(visible[2], "error: TestExpectedApproxEqAbs");
  EXPECT_TRUE(visible[3].starts_with("    at ")) << visible[3];
  EXPECT_EQ(visible[4], "29 passed; 0 skipped; 1 failed.");
}

TEST_F(RunnerReport, TerminalLeakReportStaysVisible) {
  const Report r = run(fake::withCase(3, &fake::leaksOneBlock), true, 300);
  const auto visible = screen(r.text, 300);
  ASSERT_GE(visible.size(), 5u) << r.text;
  EXPECT_TRUE(std::regex_match(visible[0], kLeakLine)) << visible[0];
  for (std::size_t i = 1; i + 3 < visible.size(); ++i) EXPECT_TRUE(std::regex_match(visible[i], kFrameLine));
  EXPECT_EQ(std::vector<std::string>(visible.end() - 3, visible.end()),
            (std::vector<std::string>{"All 30 tests passed.", "1 errors were logged.", "1 tests leaked memory."}));
}

TEST_F(RunnerReport, LogThresholdIsResetBeforeEveryCase) {
  const Report r = run({Case{"lowers", &fake::lowersLogThreshold}, Case{"logs", &fake::logsInfo}}, false);
  EXPECT_EQ(r.text, "1/2 lowers...OK\n2/2 logs...OK\nAll 2 tests passed.\n");
}

TEST_F(RunnerReport, ErrorsLoggedBeforeTheRunCountInItsStatus) {
  setLoggedErrorCount(2);
  const Report r = run({Case{"only", &fake::passes}}, false);
  EXPECT_EQ(r.text, "1/1 only...OK\nAll 1 tests passed.\n2 errors were logged.\n");
  EXPECT_EQ(r.summary.exit_status, 1);
}

CaseResult panickingCase() { orvek_kernel::panicIntegerOverflow(); }

TEST(RunnerPanicDeathTest, PanicOnATerminalErasesTheProgressLineFirst) {
  const std::vector<Case> cases{{"panicky case", &panickingCase}};
  EXPECT_DEATH(
      {
        FdSink sink(STDERR_FILENO);
        (void)runCases(cases, sink, true);
      },
      "^Test \\[0/1\\] panicky case\r\x1b\\[Kthread [0-9]+ panic: integer overflow\n$");
}

TEST(RunCounters, CountEachOutcome) {
  RunCounters counters;
  counters.countOutcome(CaseResult::Kind::pass);
  counters.countOutcome(CaseResult::Kind::skip);
  counters.countOutcome(CaseResult::Kind::skip);
  counters.countOutcome(CaseResult::Kind::fail);
  counters.countLeak();
  EXPECT_EQ(counters.passed, 1u);
  EXPECT_EQ(counters.skipped, 2u);
  EXPECT_EQ(counters.failed, 1u);
  EXPECT_EQ(counters.leaked, 1u);
}

TEST(RunCountersDeathTest, OverflowPanics) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  RunCounters counters{kMax, kMax, kMax, kMax};
  EXPECT_DEATH(counters.countOutcome(CaseResult::Kind::pass), "^thread [0-9]+ panic: integer overflow\n$");
  EXPECT_DEATH(counters.countOutcome(CaseResult::Kind::skip), "^thread [0-9]+ panic: integer overflow\n$");
  EXPECT_DEATH(counters.countOutcome(CaseResult::Kind::fail), "^thread [0-9]+ panic: integer overflow\n$");
  EXPECT_DEATH(counters.countLeak(), "^thread [0-9]+ panic: integer overflow\n$");
}

TEST(Summary, Lines) {
  const struct {
    RunCounters counters;
    std::uint64_t total;
    std::uint64_t errors;
    const char* text;
    int status;
  } table[] = {
      {{30, 0, 0, 0}, 30, 0, "All 30 tests passed.\n", 0},
      {{29, 1, 0, 0}, 30, 0, "29 passed; 1 skipped; 0 failed.\n", 0},
      {{28, 0, 2, 0}, 30, 0, "28 passed; 0 skipped; 2 failed.\n", 1},
      {{30, 0, 0, 2}, 30, 3, "All 30 tests passed.\n3 errors were logged.\n2 tests leaked memory.\n", 1},
      {{30, 0, 0, 0}, 30, 1, "All 30 tests passed.\n1 errors were logged.\n", 1},
  };
  for (const auto& row : table) {
    EXPECT_EQ(formatSummary(row.counters, row.total, row.errors), row.text);
    EXPECT_EQ(exitStatus(row.counters, row.errors), row.status) << row.text;
  }
}

}  // namespace
}  // namespace orvek_verify
