#include "verify/listen.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "fake_cases.hpp"
#include "verify/json.hpp"
#include "verify/log.hpp"
#include "verify/source.hpp"

namespace orvek_verify {
namespace {

TEST(JsonString, EscapesQuoteBackslashAndControlCharactersOnly) {
  const struct {
    std::string_view text;
    const char* json;
  } table[] = {
      {"plain", R"("plain")"},
      {"say \"hi\"", R"("say \"hi\"")"},
      {"a\\b", R"("a\\b")"},
      {"line\nnext\ttab\rcr\bbs\fff", R"("line\nnext\ttab\rcr\bbs\fff")"},
      {std::string_view("\x01\x1f\0", 3), R"("\u0001\u001f\u0000")"},
      {"Π_Λ is idempotent: Π² = Π", "\"Π_Λ is idempotent: Π² = Π\""},
      {"\x7f/", "\"\x7f/\""},
  };
  for (const auto& row : table) EXPECT_EQ(jsonString(row.text), row.json);
}

struct Session {
  int status;
  std::string replies;
  std::string report;
};

class ListenSession : public ::testing::Test {
 protected:
  void SetUp() override { setLoggedErrorCount(0); }
  void TearDown() override { setLoggedErrorCount(0); }

  static Session serve(const std::vector<Case>& cases, const std::string& input) {
    StringSource requests(input);
    StringSink replies;
    StringSink report;
    const int status = runListenSession(cases, requests, replies, report);
    return {status, replies.text(), report.text()};
  }
};

const std::vector<Case> kCases = {
    Case{"first \"quoted\"", &fake::passes},
    Case{"second: S³", &fake::failsTolerance},
    Case{"third", &fake::skips},
    Case{"fourth", &fake::leaksOneBlock},
};

TEST_F(ListenSession, ListRunAndUnknownRequests) {
  const Session s = serve(kCases, "list\nrun 1\nrun 0\nbogus\nrun 5\nrun\nrun 1x\nrun -1\nrun +1\n\nquit\nrun 1\n");
  EXPECT_EQ(s.replies,
            "{\"index\":1,\"name\":\"first \\\"quoted\\\"\"}\n"
            "{\"index\":2,\"name\":\"second: S³\"}\n"
            "{\"index\":3,\"name\":\"third\"}\n"
            "{\"index\":4,\"name\":\"fourth\"}\n"
            "{\"count\":4}\n"
            "{\"index\":1,\"name\":\"first \\\"quoted\\\"\",\"status\":\"pass\",\"error\":null,\"leaked\":false}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n"
            "{\"error\":\"unknown request\"}\n");
  EXPECT_EQ(s.report, "1/4 first \"quoted\"...OK\n");
  EXPECT_EQ(s.status, 0);
}

TEST_F(ListenSession, EachOutcomeIsReported) {
  const Session s = serve(kCases, "run 2\nrun 3\nrun 4\r\n");
  EXPECT_EQ(s.replies,
            "{\"index\":2,\"name\":\"second: S³\",\"status\":\"fail\",\"error\":\"TestExpectedApproxEqAbs\","
            "\"leaked\":false}\n"
            "{\"index\":3,\"name\":\"third\",\"status\":\"skip\",\"error\":null,\"leaked\":false}\n"
            "{\"index\":4,\"name\":\"fourth\",\"status\":\"pass\",\"error\":null,\"leaked\":true}\n");
  EXPECT_TRUE(
      s.report.starts_with("2/4 second: S³...actual 8e-1, not within absolute tolerance 1e-10 of expected "
                           "7.853981633974483e-1\nFAIL (TestExpectedApproxEqAbs)\n"))
      << s.report;
  EXPECT_NE(s.report.find("3/4 third...SKIP\n4/4 fourth...OK\n[gpa] (err): memory address 0x"), std::string::npos)
      << s.report;
  EXPECT_EQ(s.status, 1);
}

TEST_F(ListenSession, StatusFollowsTheCasesRun) {
  const struct {
    const char* input;
    int status;
  } table[] = {
      {"", 0},                // end of input acts as quit
      {"run 3\n", 0},         // a skip is clean
      {"run 1\nrun 2\n", 1},  // a failure
      {"run 4\nquit\n", 1},   // a leak (and its logged error)
      {"bogus\n", 0},         // a bad request is answered, not counted
  };
  for (const auto& row : table) {
    setLoggedErrorCount(0);
    EXPECT_EQ(serve(kCases, row.input).status, row.status) << row.input;
  }
}

TEST_F(ListenSession, EveryRunGetsAFreshAllocator) {
  // The block leaked by the first run is reported and released with it, not with the second.
  const Session s = serve(kCases, "run 4\nrun 1\n");
  EXPECT_NE(s.replies.find("\"index\":4,\"name\":\"fourth\",\"status\":\"pass\",\"error\":null,\"leaked\":true"),
            std::string::npos);
  EXPECT_NE(s.replies.find(
                "\"index\":1,\"name\":\"first \\\"quoted\\\"\",\"status\":\"pass\",\"error\":null,\"leaked\":false"),
            std::string::npos);
}

}  // namespace
}  // namespace orvek_verify
