#include "verify/command_line.hpp"

#include <array>
#include <cstring>
#include <string_view>

#include "orvek_kernel/panic.hpp"

namespace orvek_verify {
namespace {

// An argument as the buffer keeps it: where its bytes are and how many (the 16 bytes of bookkeeping).
struct ArgSlice {
  const char* data;
  std::size_t size;
};
static_assert(sizeof(ArgSlice) == kArgBookkeepingBytes);

// The arguments laid out in one fixed buffer: all slices first, then the bytes, each terminated.
class ArgBuffer {
 public:
  // Copies `args`; false when they do not fit.
  bool fill(std::span<const char* const> args) noexcept {
    if (argumentBufferBytes(args) > kArgBufferBytes) return false;
    count_ = args.size();
    std::size_t text = count_ * sizeof(ArgSlice);
    for (std::size_t i = 0; i < count_; ++i) {
      const std::size_t size = std::strlen(args[i]);
      std::memcpy(bytes_.data() + text, args[i], size);
      bytes_[text + size] = '\0';
      const ArgSlice slice{bytes_.data() + text, size};
      std::memcpy(bytes_.data() + i * sizeof(ArgSlice), &slice, sizeof slice);
      text += size + 1;
    }
    return true;
  }

  std::size_t size() const noexcept { return count_; }

  std::string_view operator[](std::size_t i) const noexcept {
    ArgSlice slice;
    std::memcpy(&slice, bytes_.data() + i * sizeof(ArgSlice), sizeof slice);
    return {slice.data, slice.size};
  }

 private:
  alignas(ArgSlice) std::array<char, kArgBufferBytes> bytes_{};
  std::size_t count_ = 0;
};

}  // namespace

std::size_t argumentBufferBytes(std::span<const char* const> args) noexcept {
  std::size_t total = 0;
  for (const char* arg : args) {
    const std::size_t need = std::strlen(arg) + 1 + kArgBookkeepingBytes;
    // Saturate: no real command line gets near, and a wrapped sum would read as fitting.
    total = need > static_cast<std::size_t>(-1) - total ? static_cast<std::size_t>(-1) : total + need;
  }
  return total;
}

Mode parseCommandLine(std::span<const char* const> args) noexcept {
  static ArgBuffer buffer;
  if (!buffer.fill(args)) orvek_kernel::panic("unable to parse command line args");
  Mode mode = Mode::report;
  for (std::size_t i = 1; i < buffer.size(); ++i) {
    if (buffer[i] != "--listen=-") orvek_kernel::panic("unrecognized command line argument");
    mode = Mode::listen;
  }
  return mode;
}

}  // namespace orvek_verify
