#include "verify/console.hpp"

#include <gtest/gtest.h>

#include "terminal_screen.hpp"
#include "verify/report.hpp"

namespace orvek_verify {
namespace {

TEST(TruncateToColumns, CountsCodePointsNotBytes) {
  EXPECT_EQ(truncateToColumns("abcdef", 3), "abc");
  EXPECT_EQ(truncateToColumns("abc", 3), "abc");
  EXPECT_EQ(truncateToColumns("abc", 10), "abc");
  EXPECT_EQ(truncateToColumns("S³→x", 3), "S³→");
  EXPECT_EQ(truncateToColumns("Π²", 1), "Π");
  EXPECT_EQ(truncateToColumns("abc", 0), "");
}

TEST(Console, PlainConsolePassesTextThrough) {
  StringSink sink;
  Console console(sink, false, 3);
  console.beginCase("x");
  console.write("1/3 x...");
  console.write("OK\n");
  console.endCase();
  console.finish();
  EXPECT_EQ(sink.text(), "1/3 x...OK\n");
}

TEST(Console, TerminalTextIsWrittenAboveTheProgressLine) {
  StringSink sink(80);
  Console console(sink, true, 2);
  console.beginCase("first");
  console.write("a message\n");
  testing::TerminalScreen screen(80);
  screen.feed(sink.text());
  EXPECT_EQ(screen.lines(), (std::vector<std::string>{"a message", "Test [0/2] first"}));
  console.endCase();
  console.beginCase("second");
  screen = testing::TerminalScreen(80);
  screen.feed(sink.text());
  EXPECT_EQ(screen.lines(), (std::vector<std::string>{"a message", "Test [1/2] second"}));
  console.endCase();
  console.finish();
  console.write("done\n");
  screen = testing::TerminalScreen(80);
  screen.feed(sink.text());
  EXPECT_EQ(screen.lines(), (std::vector<std::string>{"a message", "done"}));
}

TEST(Console, UnfinishedLineIsNotOverdrawn) {
  StringSink sink(80);
  Console console(sink, true, 1);
  console.beginCase("case");
  console.write("partial ");
  console.write("line\n");
  testing::TerminalScreen screen(80);
  screen.feed(sink.text());
  EXPECT_EQ(screen.lines(), (std::vector<std::string>{"partial line", "Test [0/1] case"}));
}

TEST(Console, WriteReportFollowsTheActiveConsole) {
  StringSink outer_sink;
  StringSink inner_sink;
  Console outer(outer_sink, false);
  Console inner(inner_sink, false);
  {
    const ScopedConsole a(outer);
    writeReport("to outer\n");
    {
      const ScopedConsole b(inner);
      writeReport("to inner\n");
    }
    writeReport("outer again\n");
  }
  EXPECT_EQ(outer_sink.text(), "to outer\nouter again\n");
  EXPECT_EQ(inner_sink.text(), "to inner\n");
}

}  // namespace
}  // namespace orvek_verify
