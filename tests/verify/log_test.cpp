#include "verify/log.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "verify/console.hpp"

namespace orvek_verify {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLoggedErrorCount(0);
    setLogThreshold(LogLevel::warning);
  }
  void TearDown() override {
    setLoggedErrorCount(0);
    setLogThreshold(LogLevel::warning);
  }

  StringSink sink;
  Console console{sink, false};
  ScopedConsole active{console};
};

TEST_F(LogTest, ErrorAndWarningAreWrittenInfoAndDebugDropped) {
  logMessage(LogLevel::error, "gpa", "first");
  logMessage(LogLevel::warning, "net", "second");
  logMessage(LogLevel::info, "gpa", "third");
  logMessage(LogLevel::debug, "gpa", "fourth");
  EXPECT_EQ(sink.text(), "[gpa] (err): first\n[net] (warn): second\n");
  EXPECT_EQ(loggedErrorCount(), 1u);  // only the error counts
}

TEST_F(LogTest, ThresholdDecidesWhatIsWritten) {
  setLogThreshold(LogLevel::debug);
  logMessage(LogLevel::info, "a", "i");
  logMessage(LogLevel::debug, "a", "d");
  setLogThreshold(LogLevel::error);
  logMessage(LogLevel::warning, "a", "w");
  logMessage(LogLevel::error, "a", "e");
  EXPECT_EQ(sink.text(), "[a] (info): i\n[a] (debug): d\n[a] (err): e\n");
}

TEST_F(LogTest, EveryErrorCountsWhateverItsScope) {
  logMessage(LogLevel::error, "gpa", "x");
  logMessage(LogLevel::error, "other", "y");
  logMessage(LogLevel::error, "", "z");
  EXPECT_EQ(loggedErrorCount(), 3u);
  EXPECT_EQ(sink.text(), "[gpa] (err): x\n[other] (err): y\n[] (err): z\n");
}

TEST_F(LogTest, ErrorCountSaturates) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  setLoggedErrorCount(kMax - 1);
  logMessage(LogLevel::error, "gpa", "one");
  EXPECT_EQ(loggedErrorCount(), kMax);
  logMessage(LogLevel::error, "gpa", "two");
  EXPECT_EQ(loggedErrorCount(), kMax);  // stays, never wraps to a clean zero
}

}  // namespace
}  // namespace orvek_verify
