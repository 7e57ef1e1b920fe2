#include "verify/stack_trace.hpp"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace orvek_verify {
namespace {

std::string hex(std::uintptr_t value) {
  char digits[2 * sizeof value + 1];
  const auto res = std::to_chars(digits, digits + sizeof digits, value, 16);
  return std::string(digits, static_cast<std::size_t>(res.ptr - digits));
}

std::string demangle(const char* name) {
  int status = 0;
  char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status != 0 || readable == nullptr) return name;
  std::string out(readable);
  std::free(readable);
  return out;
}

// "name+0xoff (module)" for the code at `address`, or "?? (module+0xoff)".
std::string describe(std::uintptr_t address) {
  Dl_info info{};
  void* entry = nullptr;
  if (::dladdr1(reinterpret_cast<void*>(address), &info, &entry, RTLD_DL_SYMENT) == 0) return "??";
  const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
  const char* module = info.dli_fname != nullptr ? std::strrchr(info.dli_fname, '/') : nullptr;
  module = module != nullptr ? module + 1 : (info.dli_fname != nullptr ? info.dli_fname : "??");
  const auto start = reinterpret_cast<std::uintptr_t>(info.dli_saddr);
  // dladdr names the nearest exported symbol below the address even when the address lies in an
  // internal function after it; only trust the name when the address is inside the symbol.
  const bool inside = info.dli_sname != nullptr && symbol != nullptr && address >= start &&
                      (symbol->st_size == 0 || address - start < symbol->st_size);
  if (inside) {
    return demangle(info.dli_sname) + "+0x" + hex(address - start) + " (" + module + ")";
  }
  const auto base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
  return "?? (" + std::string(module) + "+0x" + hex(address - base) + ")";
}

}  // namespace

std::string hexAddress(std::uintptr_t value) { return "0x" + hex(value); }

// Not inlined, so that its own frame is the first one to skip.
[[gnu::noinline]] StackTrace captureStack(std::size_t skip) noexcept {
  constexpr std::size_t kLimit = StackTrace::kMaxFrames + 8;
  void* raw[kLimit];
  const int got = ::backtrace(raw, static_cast<int>(kLimit));
  // Frame 0 is this function; frame 1 is our caller, which asked for its caller's stack.
  const std::size_t first = 2 + skip;
  StackTrace stack;
  for (std::size_t i = first; i < static_cast<std::size_t>(got) && stack.depth < StackTrace::kMaxFrames; ++i) {
    stack.frames[stack.depth++] = raw[i];
  }
  return stack;
}

std::string formatStack(const StackTrace& stack) {
  std::string out;
  for (std::size_t i = 0; i < stack.depth; ++i) {
    const auto address = reinterpret_cast<std::uintptr_t>(stack.frames[i]);
    out += "    #";
    out += std::to_string(i);
    out += ' ';
    out += hexAddress(address);
    out += " in ";
    // A return address points after the call; the call itself is one byte before it.
    out += describe(address - 1);
    out += '\n';
  }
  return out;
}

}  // namespace orvek_verify
