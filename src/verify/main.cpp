// orvek_verify: runs the registered verification cases and reports on standard error.

#include <unistd.h>

#include <span>

#include "verify/command_line.hpp"
#include "verify/listen.hpp"
#include "verify/registry.hpp"
#include "verify/runner.hpp"
#include "verify/signals.hpp"
#include "verify/sink.hpp"
#include "verify/source.hpp"

int main(int argc, char** argv) {
  using namespace orvek_verify;
  ignoreBrokenPipe();
  installCrashHandler();
  const Mode mode = parseCommandLine(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  FdSink report(STDERR_FILENO);
  if (mode == Mode::listen) {
    FdSink replies(STDOUT_FILENO);
    FdSource requests(STDIN_FILENO);
    return runListenSession(registry(), requests, replies, report);
  }
  return runCases(registry(), report, ::isatty(STDERR_FILENO) == 1).exit_status;
}
