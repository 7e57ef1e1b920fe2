#include "verify/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvek_verify {
namespace {

std::vector<const char*> pointers(const std::vector<std::string>& args) {
  std::vector<const char*> out;
  for (const auto& arg : args) out.push_back(arg.c_str());
  return out;
}

TEST(CommandLine, NoArgumentIsReportModeListenSelectsListenMode) {
  const struct {
    std::vector<std::string> args;
    Mode mode;
  } table[] = {
      {{"orvek_verify"}, Mode::report},
      {{"anything goes in the program path --listen"}, Mode::report},
      {{"orvek_verify", "--listen=-"}, Mode::listen},
      {{"orvek_verify", "--listen=-", "--listen=-"}, Mode::listen},
  };
  for (const auto& row : table) {
    const auto argv = pointers(row.args);
    EXPECT_EQ(parseCommandLine(argv), row.mode) << row.args.size();
  }
  EXPECT_EQ(parseCommandLine({}), Mode::report);
}

TEST(CommandLine, BufferBytesAreLengthPlusTerminatorPlusBookkeeping) {
  const std::vector<std::string> args{"abc", "", "--listen=-"};
  const auto argv = pointers(args);
  EXPECT_EQ(argumentBufferBytes(argv), (3 + 1 + 16) + (0 + 1 + 16) + (10 + 1 + 16));
}

TEST(CommandLineDeathTest, OtherArgumentsAreRefused) {
  for (const char* bad : {"--listen", "--listen=-x", "--listen=", "-h", "", " --listen=-", "--listen=- ", "-"}) {
    const std::vector<std::string> args{"orvek_verify", "--listen=-", bad};
    const auto argv = pointers(args);
    EXPECT_DEATH(parseCommandLine(argv), "^thread [0-9]+ panic: unrecognized command line argument\n$") << bad;
  }
}

// The program path plus one argument of `filler` bytes, sized to take exactly `total` buffer bytes.
std::vector<std::string> commandLineOf(std::size_t total, const std::string& first) {
  const std::size_t path = 12;  // "orvek_verify"
  const std::size_t rest = total - (path + 1 + kArgBookkeepingBytes) - (first.size() + 1 + kArgBookkeepingBytes);
  return {"orvek_verify", first, std::string(rest - 1 - kArgBookkeepingBytes, 'a')};
}

TEST(CommandLineDeathTest, CommandLineThatDoesNotFitStopsBeforeAnyArgumentIsChecked) {
  const auto fits = commandLineOf(kArgBufferBytes, "--listen=-");
  ASSERT_EQ(argumentBufferBytes(pointers(fits)), kArgBufferBytes);
  // Exactly full: parsed, so the filler is refused as an argument.
  EXPECT_DEATH(parseCommandLine(pointers(fits)), "^thread [0-9]+ panic: unrecognized command line argument\n$");
  // One byte more: refused before the arguments are looked at.
  const auto too_long = commandLineOf(kArgBufferBytes + 1, "--listen=-");
  EXPECT_DEATH(parseCommandLine(pointers(too_long)), "^thread [0-9]+ panic: unable to parse command line args\n$");
  std::vector<std::string> many{"orvek_verify"};
  for (int i = 0; i < 300; ++i) many.push_back("--listen=-");
  EXPECT_DEATH(parseCommandLine(pointers(many)), "^thread [0-9]+ panic: unable to parse command line args\n$");
}

TEST(CommandLine, ManyListenArgumentsThatFitAreAccepted) {
  // 16 + 1 + 12 for the path, 27 per "--listen=-": 150 of them take 4079 bytes.
  std::vector<std::string> args{"orvek_verify"};
  for (int i = 0; i < 150; ++i) args.push_back("--listen=-");
  ASSERT_LE(argumentBufferBytes(pointers(args)), kArgBufferBytes);
  EXPECT_EQ(parseCommandLine(pointers(args)), Mode::listen);
}

}  // namespace
}  // namespace orvek_verify
