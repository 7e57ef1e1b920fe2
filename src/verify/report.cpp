#include "verify/report.hpp"

#include <unistd.h>

namespace orvek_verify {

void writeReport(std::string_view text) noexcept {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace orvek_verify
