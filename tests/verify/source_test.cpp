#include "verify/source.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orvek_verify {
namespace {

struct LinesCase {
  const char* what;
  std::string input;
  std::vector<std::string> lines;
};

const std::vector<LinesCase>& linesCases() {
  static const std::vector<LinesCase> cases = {
      {"empty input", "", {}},
      {"one line", "list\n", {"list"}},
      {"last line without newline", "list\nrun 1", {"list", "run 1"}},
      {"empty lines are lines", "\n\nquit\n", {"", "", "quit"}},
      {"carriage returns are kept", "list\r\n", {"list\r"}},
      {"line across buffer refills", std::string(10000, 'a') + "\nb\n", {std::string(10000, 'a'), "b"}},
      {"newline just at a refill",
       std::string(4095, 'c') + "\n" + std::string(4096, 'd'),
       {std::string(4095, 'c'), std::string(4096, 'd')}},
  };
  return cases;
}

std::vector<std::string> drain(Source& source) {
  std::vector<std::string> lines;
  std::string line = "stale";
  while (source.nextLine(line)) lines.push_back(line);
  // The end stays the end.
  EXPECT_FALSE(source.nextLine(line));
  return lines;
}

TEST(StringSource, YieldsTheLinesOfItsText) {
  for (const LinesCase& c : linesCases()) {
    StringSource source(c.input);
    EXPECT_EQ(drain(source), c.lines) << c.what;
  }
}

TEST(FdSource, YieldsTheLinesReadFromTheDescriptor) {
  for (const LinesCase& c : linesCases()) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(c.input.data(), 1, c.input.size(), file.get()), c.input.size());
    ASSERT_EQ(std::fflush(file.get()), 0);
    std::rewind(file.get());
    FdSource source(::fileno(file.get()));
    EXPECT_EQ(drain(source), c.lines) << c.what;
  }
}

TEST(FdSource, AReadErrorEndsTheInput) {
  FdSource source(-1);
  std::string line;
  EXPECT_FALSE(source.nextLine(line));
  EXPECT_TRUE(line.empty());
}

}  // namespace
}  // namespace orvek_verify
