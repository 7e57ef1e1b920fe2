#include "orvek_kernel/panic.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>

namespace orvek_kernel {
namespace {

TEST(PanicDeathTest, WritesThreadAndMessageThenAborts) {
  EXPECT_DEATH(panic("unrecognized command line argument"),
               "^thread [0-9]+ panic: unrecognized command line argument\n$");
}

TEST(PanicDeathTest, NamedChecksUseTheirMessages) {
  EXPECT_DEATH(panicIntegerOverflow(), "^thread [0-9]+ panic: integer overflow\n$");
  EXPECT_DEATH(panicNullValue(), "^thread [0-9]+ panic: attempt to use null value\n$");
  EXPECT_DEATH(panicIndexOutOfBounds(5, 3), "^thread [0-9]+ panic: index out of bounds: index 5, len 3\n$");
  EXPECT_DEATH(panicIndexOutOfBounds(std::numeric_limits<std::size_t>::max(), 0),
               "^thread [0-9]+ panic: index out of bounds: index 18446744073709551615, len 0\n$");
}

TEST(PanicDeathTest, LongMessageIsCutNotOverrun) {
  const std::string long_message(2000, 'x');
  EXPECT_DEATH(panic(long_message), "^thread [0-9]+ panic: x+\n$");
}

TEST(PanicDeathTest, RunsTheHookOnceBeforeWriting) {
  EXPECT_DEATH(
      {
        setPanicHook([]() noexcept {
          std::fputs("hook ran\n", stderr);
          panic("from the hook");  // must not run the hook again
        });
        panic("outer");
      },
      "^hook ran\nthread [0-9]+ panic: from the hook\n$");
}

TEST(PanicHook, SetReturnsThePreviousHook) {
  const PanicHook first = []() noexcept {};
  EXPECT_EQ(setPanicHook(first), nullptr);
  EXPECT_EQ(setPanicHook(nullptr), first);
}

}  // namespace
}  // namespace orvek_kernel
