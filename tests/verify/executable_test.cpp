// orvek_verify and the crash handler as child processes: what a person or a build tool sees.

#include <signal.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "terminal_screen.hpp"
#include "verify/command_line.hpp"
#include "verify/json.hpp"
#include "verify/registry.hpp"

namespace orvek_verify {
namespace {

using testing::ChildOptions;
using testing::ChildResult;
using testing::ErrorStream;
using testing::exitedWith;
using testing::killedBy;
using testing::runChild;

const std::string kVerify = ORVEK_VERIFY_EXE;
const std::string kCrashChild = ORVEK_CRASH_CHILD_EXE;

std::string expectedPlainReport() {
  const auto cases = registry();
  std::string text;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    text += std::to_string(i + 1) + "/" + std::to_string(cases.size()) + " " + std::string(cases[i].name) + "...OK\n";
  }
  text += "All " + std::to_string(cases.size()) + " tests passed.\n";
  return text;
}

TEST(Executable, ReportOnAPipe) {
  const ChildResult r = runChild(kVerify, {kVerify});
  EXPECT_EQ(r.err, expectedPlainReport());
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(exitedWith(r, 0)) << r.status;
}

TEST(Executable, RefusedArgumentsPanicBeforeAnyCase) {
  const std::vector<std::vector<std::string>> table = {
      {"--listen"}, {"--listen=-x"}, {"-h"}, {"--listen=-", "--help"}, {""},
  };
  for (const auto& extra : table) {
    std::vector<std::string> argv{kVerify};
    argv.insert(argv.end(), extra.begin(), extra.end());
    const ChildResult r = runChild(kVerify, argv, {"list\n"});
    EXPECT_TRUE(std::regex_match(r.err, std::regex("thread [0-9]+ panic: unrecognized command line argument\n")))
        << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(killedBy(r, SIGABRT)) << r.status;
  }
}

TEST(Executable, OversizedCommandLineIsRefused) {
  std::vector<std::string> argv{kVerify};
  for (int i = 0; i < 300; ++i) argv.push_back(std::string(20, 'a' + i % 26));
  const ChildResult r = runChild(kVerify, argv);
  EXPECT_TRUE(std::regex_match(r.err, std::regex("thread [0-9]+ panic: unable to parse command line args\n"))) << r.err;
  EXPECT_TRUE(killedBy(r, SIGABRT)) << r.status;
}

TEST(Executable, CommandLineThatFillsTheBufferExactlyIsAccepted) {
  // Ten "--listen=-" take 10 * 27 bytes; a program path of the rest fills the 4096 bytes exactly.
  const std::size_t listen_bytes = 10 * (10 + 1 + kArgBookkeepingBytes);
  const std::size_t path_length = kArgBufferBytes - listen_bytes - 1 - kArgBookkeepingBytes;
  for (const std::size_t extra : {std::size_t{0}, std::size_t{1}}) {
    std::vector<std::string> argv{std::string(path_length + extra, 'p')};
    for (int i = 0; i < 10; ++i) argv.push_back("--listen=-");
    const ChildResult r = runChild(kVerify, argv, {"quit\n"});
    if (extra == 0) {
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(r.out, "");
      EXPECT_TRUE(exitedWith(r, 0)) << r.status;
    } else {
      EXPECT_TRUE(std::regex_match(r.err, std::regex("thread [0-9]+ panic: unable to parse command line args\n")))
          << r.err;
      EXPECT_TRUE(killedBy(r, SIGABRT)) << r.status;
    }
  }
}

TEST(Executable, SurvivesAClosedStandardError) {
  ChildOptions options;
  options.error_stream = ErrorStream::closed_pipe;
  const ChildResult r = runChild(kVerify, {kVerify}, options);
  EXPECT_TRUE(exitedWith(r, 0)) << "status " << r.status << " (a SIGPIPE death would show here)";
}

TEST(Executable, TerminalShowsOnlyTheSummaryInTheEnd) {
  ChildOptions options;
  options.error_stream = ErrorStream::terminal;
  options.terminal_columns = 60;  // narrower than most names: the progress line must not wrap
  const ChildResult r = runChild(kVerify, {kVerify}, options);
  EXPECT_TRUE(exitedWith(r, 0)) << r.status;
  testing::TerminalScreen screen(options.terminal_columns);
  screen.feed(r.err);
  EXPECT_EQ(screen.unknownSequences(), 0u);
  EXPECT_EQ(screen.lines(), std::vector<std::string>{"All " + std::to_string(registry().size()) + " tests passed."})
      << r.err;
  EXPECT_EQ(r.err.find("...OK"), std::string::npos);
  EXPECT_NE(r.err.find("Test [0/" + std::to_string(registry().size()) + "]"), std::string::npos) << r.err;
}

TEST(Executable, ListenSession) {
  const ChildResult r = runChild(kVerify, {kVerify, "--listen=-"}, {"list\nrun 1\nrun 0\nbogus\nquit\n"});
  const auto cases = registry();
  ASSERT_FALSE(cases.empty());
  std::string expected;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    expected += "{\"index\":" + std::to_string(i + 1) + ",\"name\":" + jsonString(cases[i].name) + "}\n";
  }
  expected += "{\"count\":" + std::to_string(cases.size()) + "}\n";
  expected +=
      "{\"index\":1,\"name\":" + jsonString(cases[0].name) + ",\"status\":\"pass\",\"error\":null,\"leaked\":false}\n";
  expected += "{\"error\":\"unknown request\"}\n{\"error\":\"unknown request\"}\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "1/" + std::to_string(cases.size()) + " " + std::string(cases[0].name) + "...OK\n");
  EXPECT_TRUE(exitedWith(r, 0)) << r.status;
}

TEST(Executable, ListenSessionEndsAtEndOfInput) {
  const ChildResult r = runChild(kVerify, {kVerify, "--listen=-", "--listen=-"}, {"list"});
  EXPECT_TRUE(r.out.ends_with("{\"count\":" + std::to_string(registry().size()) + "}\n")) << r.out;
  EXPECT_TRUE(exitedWith(r, 0)) << r.status;
}

TEST(CrashHandler, NullDereferenceIsReportedAndKillsBySigsegv) {
  const ChildResult r = runChild(kCrashChild, {kCrashChild, "segv", "0"});
  EXPECT_TRUE(killedBy(r, SIGSEGV)) << r.status << "\n" << r.err;
  EXPECT_NE(r.err.find("*** SIGSEGV (segmentation fault) at address 0x0 ***\nstack trace:\n"), std::string::npos)
      << r.err;
  // backtrace_symbols_fd lines: "module(symbol+0xoff)[0xaddress]"; the faulting function is named.
  EXPECT_TRUE(
      std::regex_search(r.err, std::regex(R"(orvek_crash_child\(orvekCrashOnPurpose\+0x[0-9a-f]+\)\[0x[0-9a-f]+\]\n)")))
      << r.err;
}

TEST(CrashHandler, ReportsTheFaultingAddress) {
  const ChildResult r = runChild(kCrashChild, {kCrashChild, "segv", "0x1008"});
  EXPECT_TRUE(killedBy(r, SIGSEGV)) << r.status;
  EXPECT_NE(r.err.find("*** SIGSEGV (segmentation fault) at address 0x1008 ***"), std::string::npos) << r.err;
}

TEST(CrashHandler, IllegalInstructionKillsBySigill) {
  const ChildResult r = runChild(kCrashChild, {kCrashChild, "ill"});
  EXPECT_TRUE(killedBy(r, SIGILL)) << r.status << "\n" << r.err;
  EXPECT_NE(r.err.find("*** SIGILL (illegal instruction) at address 0x"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("orvekCrashOnPurpose"), std::string::npos) << r.err;
}

#if defined(ORVEK_CRASH_CHILD_STATIC_EXE)
TEST(CrashHandler, AStaticExecutableGivesItsFramesAsOffsetsIntoItself) {
  const std::string child = ORVEK_CRASH_CHILD_STATIC_EXE;
  const ChildResult r = runChild(child, {child, "segv", "0"});
  EXPECT_TRUE(killedBy(r, SIGSEGV)) << r.status << "\n" << r.err;
  std::smatch where;
  ASSERT_TRUE(std::regex_search(r.out, where, std::regex(R"(orvekCrashOnPurpose at \+0x([0-9a-f]+))"))) << r.out;
  const std::uintptr_t function = std::stoull(where[1], nullptr, 16);

  // "program(+0xoffset)[0xaddress]", every frame at the same load address; one of them is in
  // the faulting function.
  const std::regex frame(R"((\S+)\(\+0x([0-9a-f]+)\)\[0x([0-9a-f]+)\]\n)");
  std::size_t frames = 0;
  bool in_function = false;
  std::uintptr_t base = 0;
  for (auto it = std::sregex_iterator(r.err.begin(), r.err.end(), frame); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    EXPECT_EQ(m[1], child);
    const std::uintptr_t offset = std::stoull(m[2], nullptr, 16);
    const std::uintptr_t address = std::stoull(m[3], nullptr, 16);
    if (frames++ == 0) base = address - offset;
    EXPECT_EQ(address - offset, base) << m[0];
    in_function = in_function || (offset > function && offset < function + 0x100);
  }
  EXPECT_GE(frames, 3u) << r.err;
  EXPECT_TRUE(in_function) << "no frame in orvekCrashOnPurpose at +0x" << std::hex << function << "\n" << r.err;
}
#endif

}  // namespace
}  // namespace orvek_verify
