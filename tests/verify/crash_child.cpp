// A child process for the crash handler tests: installs the handler, then faults on purpose.
//
//   crash_child segv ADDRESS   reads from ADDRESS (0 for a null dereference)
//   crash_child ill            executes an illegal instruction
//
// Before faulting it writes "orvekCrashOnPurpose at +0x{offset}" to standard output: the
// function's address in the executable's file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "verify/signals.hpp"
#include "verify/stack_trace.hpp"

// C linkage and no inlining, so that the stack trace names it plainly.
extern "C" [[gnu::noinline]] int orvekCrashOnPurpose(const char* how, const char* address) {
  if (std::strcmp(how, "ill") == 0) __builtin_trap();
  // Read through a run-time address so the compiler cannot see (and drop) the null dereference.
  volatile const int* target = reinterpret_cast<volatile const int*>(std::strtoull(address, nullptr, 0));
  return *target;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  orvek_verify::installCrashHandler();
  const auto offset = reinterpret_cast<std::uintptr_t>(&orvekCrashOnPurpose) - orvek_verify::executableLoadBias();
  std::printf("orvekCrashOnPurpose at +0x%jx\n", static_cast<std::uintmax_t>(offset));
  std::fflush(stdout);
  return orvekCrashOnPurpose(argv[1], argc > 2 ? argv[2] : "0");
}
