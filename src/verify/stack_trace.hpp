#pragma once
/// Call stacks: captured as return addresses, named later when a report needs them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orvek_verify {

/// Up to `kMaxFrames` return addresses of a call stack, innermost first.
struct StackTrace {
  static constexpr std::size_t kMaxFrames = 10;

  std::array<void*, kMaxFrames> frames{};
  std::size_t depth = 0;

  /// The captured frames.
  std::span<void* const> view() const noexcept { return {frames.data(), depth}; }
};

/// The stack of the caller of the function that calls this, skipping `skip` further frames.
StackTrace captureStack(std::size_t skip = 0) noexcept;

/// One line per frame, "    #i 0x{address} in {function}+0x{offset} ({module})", each ending in a line end.
///
/// Function names come from the dynamic symbol table (link executables with -rdynamic), and for
/// internal functions of the executable, and all of a static one, from its own ELF symbol table;
/// they are demangled. A frame outside every known symbol is shown as "??" with its module offset.
std::string formatStack(const StackTrace& stack);

/// Where the running executable is loaded relative to the addresses in its file: a run-time
/// address minus this is the address that `addr2line` and the file's symbol table use.
std::uintptr_t executableLoadBias() noexcept;

/// `value` as "0x" and lower-case hexadecimal digits.
std::string hexAddress(std::uintptr_t value);

}  // namespace orvek_verify
