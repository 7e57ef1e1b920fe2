#include "orvek_kernel/panic.hpp"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace orvek_kernel {
namespace {

// Appends `text` to `buf` at `len`, truncating at `cap`.
void append(char* buf, std::size_t& len, std::size_t cap, std::string_view text) noexcept {
  const std::size_t n = text.size() < cap - len ? text.size() : cap - len;
  std::memcpy(buf + len, text.data(), n);
  len += n;
}

void appendUnsigned(char* buf, std::size_t& len, std::size_t cap, unsigned long long value) noexcept {
  char digits[24];
  const auto res = std::to_chars(digits, digits + sizeof digits, value);
  append(buf, len, cap, std::string_view(digits, static_cast<std::size_t>(res.ptr - digits)));
}

std::atomic<PanicHook> g_hook{nullptr};

}  // namespace

PanicHook setPanicHook(PanicHook hook) noexcept { return g_hook.exchange(hook); }

void panic(std::string_view message) noexcept {
  if (const PanicHook hook = g_hook.exchange(nullptr)) hook();
  // Formatted into one buffer and written with one call, so nothing allocates and the
  // line is not interleaved with other output.
  char line[512];
  std::size_t len = 0;
  append(line, len, sizeof line - 1, "thread ");
  appendUnsigned(line, len, sizeof line - 1, static_cast<unsigned long long>(::syscall(SYS_gettid)));
  append(line, len, sizeof line - 1, " panic: ");
  append(line, len, sizeof line - 1, message);
  line[len++] = '\n';
  std::size_t done = 0;
  while (done < len) {
    const ssize_t n = ::write(STDERR_FILENO, line + done, len - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  std::abort();
}

void panicIndexOutOfBounds(std::size_t index, std::size_t len) noexcept {
  char message[96];
  std::size_t n = 0;
  append(message, n, sizeof message, "index out of bounds: index ");
  appendUnsigned(message, n, sizeof message, index);
  append(message, n, sizeof message, ", len ");
  appendUnsigned(message, n, sizeof message, len);
  panic(std::string_view(message, n));
}

void panicIntegerOverflow() noexcept { panic("integer overflow"); }

void panicNullValue() noexcept { panic("attempt to use null value"); }

}  // namespace orvek_kernel
