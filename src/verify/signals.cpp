#include "verify/signals.hpp"

#include <dlfcn.h>
#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "verify/stack_trace.hpp"

namespace orvek_verify {
namespace {

constexpr int kMaxCrashFrames = 64;
constexpr std::size_t kAltStackBytes = std::size_t{64} * 1024;

alignas(16) char g_alt_stack[kAltStackBytes];

// Set when the executable's frames cannot be named at run time (a static executable has no
// dynamic symbol table): its load bias, which makes each frame an address in the file.
bool g_unnamed_frames = false;
std::uintptr_t g_load_bias = 0;

// Everything below runs inside the signal handler: no allocation, no locks, no stdio.

void put(const char* text, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, size);
    if (n <= 0) return;
    text += n;
    size -= static_cast<std::size_t>(n);
  }
}

void put(const char* text) noexcept { put(text, std::strlen(text)); }

void putHex(std::uintptr_t value) noexcept {
  char digits[2 + 2 * sizeof value];
  std::size_t n = sizeof digits;
  do {
    digits[--n] = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  digits[--n] = 'x';
  digits[--n] = '0';
  put(digits + n, sizeof digits - n);
}

// A frame as backtrace_symbols_fd writes one it has no name for, "program(+0xoffset)[0xaddress]":
// the address in the executable's file, which `addr2line -f -e program 0xoffset` turns into a name.
void putUnnamedFrame(std::uintptr_t address) noexcept {
  if (address >= g_load_bias) {
    put(program_invocation_name);
    put("(+");
    putHex(address - g_load_bias);
    put(")");
  }
  put("[");
  putHex(address);
  put("]\n");
}

const char* signalName(int signal) noexcept {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV (segmentation fault)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    default: return "unexpected signal";
  }
}

void onCrash(int signal, siginfo_t* info, void*) {
  put("\n*** ");
  put(signalName(signal));
  put(" at address ");
  putHex(reinterpret_cast<std::uintptr_t>(info != nullptr ? info->si_addr : nullptr));
  put(" ***\nstack trace:\n");
  void* frames[kMaxCrashFrames];
  const int depth = ::backtrace(frames, kMaxCrashFrames);
  if (!g_unnamed_frames) {
    ::backtrace_symbols_fd(frames, depth, STDERR_FILENO);
  } else {
    for (int i = 0; i < depth; ++i) putUnnamedFrame(reinterpret_cast<std::uintptr_t>(frames[i]));
  }
  // SA_RESETHAND has restored the default action: the signal raised here is delivered as soon as
  // the handler returns, and a fault would strike again anyway when its instruction is retried.
  (void)::raise(signal);
}

}  // namespace

void ignoreBrokenPipe() noexcept {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPIPE, &action, nullptr);
}

void installCrashHandler() noexcept {
  // backtrace() loads libgcc's unwinder on first use, which allocates; do that now, not in the handler.
  void* warm_up[1];
  ::backtrace(warm_up, 1);

  // dladdr finds no object for our own code only in a static executable; its frames are then
  // given as addresses in the file.
  Dl_info self{};
  if (::dladdr(reinterpret_cast<void*>(&installCrashHandler), &self) == 0) {
    g_load_bias = executableLoadBias();
    g_unnamed_frames = true;
  }

  stack_t stack{};
  stack.ss_sp = g_alt_stack;
  stack.ss_size = sizeof g_alt_stack;
  stack.ss_flags = 0;
  ::sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_sigaction = &onCrash;
  action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGSEGV, SIGBUS, SIGILL}) ::sigaction(signal, &action, nullptr);
}

}  // namespace orvek_verify
