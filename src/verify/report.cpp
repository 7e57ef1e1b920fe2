#include "verify/report.hpp"

#include "verify/console.hpp"

namespace orvek_verify {

void writeReport(std::string_view text) noexcept { activeConsole().write(text); }

}  // namespace orvek_verify
