#include <string>

#include "verify/registry.hpp"
#include "verify/report.hpp"

int main() {
  using namespace orvek_verify;
  const auto cases = registry();
  std::size_t passed = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    writeReport(std::to_string(i + 1) + "/" + std::to_string(cases.size()) + " " + std::string(cases[i].name) + "...");
    const CaseResult r = cases[i].run();
    if (r.passed()) {
      ++passed;
      writeReport("OK\n");
    } else {
      writeReport("FAIL (" + std::string(errorName(r.error())) + ")\n");
    }
  }
  if (passed == cases.size()) writeReport("All " + std::to_string(passed) + " tests passed.\n");
  return passed == cases.size() ? 0 : 1;
}
