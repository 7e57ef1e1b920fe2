// A child process for the crash-handler tests beyond a null dereference: installs the
// handler as orvek_verify does, then faults on purpose.
//
//   orvek_fault_child bus      reads a mapped page that lies past the end of its (empty)
//                              file: SIGBUS. The page's address is written to standard
//                              output first.
//   orvek_fault_child stack N  recurses N levels deep (pass a huge N): the stack overflows
//                              and the handler must still run, on its own signal stack.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "verify/signals.hpp"

// C linkage and no inlining, so that the stack traces name these functions plainly.
extern "C" [[gnu::noinline]] int orvekReadPastTheEnd() {
  const int fd = ::memfd_create("orvek_fault_child", 0);  // an empty file
  if (fd < 0) return 3;
  const long page = ::sysconf(_SC_PAGESIZE);
  void* mapped = ::mmap(nullptr, static_cast<std::size_t>(page), PROT_READ, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) return 4;
  char line[32];
  const int n = std::snprintf(line, sizeof line, "%#llx\n",
                              static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(mapped)));
  if (::write(STDOUT_FILENO, line, static_cast<std::size_t>(n)) != n) return 5;
  return *static_cast<volatile const char*>(mapped);
}

extern "C" [[gnu::noinline]] int orvekRecurse(unsigned long long depth, unsigned long long limit) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (depth >= limit) return frame[0];
  return orvekRecurse(depth + 1, limit) + frame[0];  // not a tail call: every level keeps its frame
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  orvek_verify::installCrashHandler();
  if (std::strcmp(argv[1], "bus") == 0) return orvekReadPastTheEnd();
  if (std::strcmp(argv[1], "stack") == 0 && argc > 2) return orvekRecurse(0, std::strtoull(argv[2], nullptr, 0));
  return 2;
}
