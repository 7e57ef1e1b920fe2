#pragma once
/// The command line of orvek_verify: no argument, or "--listen=-" (once or more).

#include <cstddef>
#include <span>

namespace orvek_verify {

/// What the program does after parsing its command line.
enum class Mode : unsigned char {
  report,  ///< run every case and write the report to standard error
  listen,  ///< serve a driving build tool over standard input and output
};

/// Size of the buffer the arguments are copied into.
inline constexpr std::size_t kArgBufferBytes = 4096;
/// Bookkeeping each argument takes in that buffer beside its bytes and terminating byte.
inline constexpr std::size_t kArgBookkeepingBytes = 16;

/// Bytes the arguments `args` (program path included) take in the argument buffer.
std::size_t argumentBufferBytes(std::span<const char* const> args) noexcept;

/// The mode selected by `args` (argv, program path first, which is ignored).
///
/// Panics with "unable to parse command line args" when the arguments do not fit the
/// buffer, and otherwise with "unrecognized command line argument" at the first argument
/// after the program path that is not exactly "--listen=-".
Mode parseCommandLine(std::span<const char* const> args) noexcept;

}  // namespace orvek_verify
