// orvek_verify: runs the registered verification cases and reports on standard error.

#include <unistd.h>

#include <cerrno>
#include <istream>
#include <span>
#include <streambuf>

#include "verify/command_line.hpp"
#include "verify/listen.hpp"
#include "verify/registry.hpp"
#include "verify/runner.hpp"
#include "verify/signals.hpp"
#include "verify/sink.hpp"

namespace {

// Standard input as a stream for the build-tool mode. Not std::cin: <iostream> sets up the
// eight global streams and their locale before main, a good part of the start-up time of a
// run that never reads them.
class FdInputBuffer final : public std::streambuf {
 public:
  explicit FdInputBuffer(int fd) noexcept : fd_(fd) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    ssize_t n = 0;
    do {
      n = ::read(fd_, buffer_, sizeof buffer_);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + n);
    return traits_type::to_int_type(*gptr());
  }

 private:
  int fd_;
  char buffer_[4096];
};

}  // namespace

int main(int argc, char** argv) {
  using namespace orvek_verify;
  ignoreBrokenPipe();
  installCrashHandler();
  const Mode mode = parseCommandLine(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  FdSink report(STDERR_FILENO);
  if (mode == Mode::listen) {
    FdSink replies(STDOUT_FILENO);
    FdInputBuffer input(STDIN_FILENO);
    std::istream requests(&input);
    return runListenSession(registry(), requests, replies, report);
  }
  return runCases(registry(), report, ::isatty(STDERR_FILENO) == 1).exit_status;
}
