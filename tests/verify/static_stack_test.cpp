// In a static executable there is no dynamic symbol table: allocation stacks are named from the
// executable's own symbol table instead. Built, only where orvek_verify is linked statically, as
// a plain program (GoogleTest's static library drags in name lookups that warn when linked
// statically); exits with 0 when the names are there.

#include <cstdio>
#include <string>

#include "verify/stack_trace.hpp"

namespace {

// Not inlined: the captured stack starts at its caller.
[[gnu::noinline]] orvek_verify::StackTrace stackOfCaller() { return orvek_verify::captureStack(); }

[[gnu::noinline]] int checkStackNames() {
  const orvek_verify::StackTrace stack = stackOfCaller();
  const std::string text = orvek_verify::formatStack(stack);
  const std::string first = text.substr(0, text.find('\n'));
  const bool named = first.find("checkStackNames()+0x") != std::string::npos &&
                     first.find(" (orvek_verify_static_stack_test)") != std::string::npos;
  // Library code linked into the executable is named as well.
  const bool library_named = text.find("__libc_start") != std::string::npos;
  if (stack.depth >= 2 && named && library_named) return 0;
  std::fprintf(stderr, "frames not named from the executable's symbol table:\n%s", text.c_str());
  return 1;
}

}  // namespace

int main() { return checkStackNames(); }
