// The crash handler on the faults beyond a null dereference (tests/verify covers that one
// and an illegal instruction): a bus error, and a stack overflow, which the handler can
// only report because it runs on a signal stack of its own.

#include <signal.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "child_process.hpp"

namespace {

using orvek_verify::testing::ChildResult;
using orvek_verify::testing::killedBy;
using orvek_verify::testing::runChild;

const std::string kFaultChild = ORVEK_FAULT_CHILD_EXE;

TEST(CrashHandler, BusErrorIsReportedWithItsAddressAndKillsBySigbus) {
  const ChildResult r = runChild(kFaultChild, {kFaultChild, "bus"});
  ASSERT_FALSE(r.out.empty()) << "the child did not map its page: status " << r.status;
  const std::string address = r.out.substr(0, r.out.find('\n'));
  EXPECT_TRUE(killedBy(r, SIGBUS)) << r.status << "\n" << r.err;
  EXPECT_NE(r.err.find("*** SIGBUS (bus error) at address " + address + " ***\nstack trace:\n"), std::string::npos)
      << r.err;
  EXPECT_TRUE(
      std::regex_search(r.err, std::regex(R"(orvek_fault_child\(orvekReadPastTheEnd\+0x[0-9a-f]+\)\[0x[0-9a-f]+\]\n)")))
      << r.err;
}

TEST(CrashHandler, StackOverflowIsStillReportedAndKillsBySigsegv) {
  const ChildResult r = runChild(kFaultChild, {kFaultChild, "stack", "0xffffffffffff"});
  EXPECT_TRUE(killedBy(r, SIGSEGV)) << r.status << "\n" << r.err.substr(0, 2000);
  EXPECT_TRUE(std::regex_search(
      r.err, std::regex(R"(\*\*\* SIGSEGV \(segmentation fault\) at address 0x[0-9a-f]+ \*\*\*\nstack trace:\n)")))
      << r.err.substr(0, 2000);
  EXPECT_NE(r.err.find("orvekRecurse+0x"), std::string::npos) << r.err.substr(0, 2000);
}

}  // namespace
