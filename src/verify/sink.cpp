#include "verify/sink.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace orvek_verify {

bool writeAll(int fd, std::string_view text) noexcept {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    // With SIGPIPE ignored a closed reader shows up here as EPIPE: give up on this text.
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void FdSink::write(std::string_view text) noexcept { writeAll(fd_, text); }

std::size_t FdSink::columns() const noexcept {
  winsize size{};
  if (::ioctl(fd_, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace orvek_verify
