#pragma once
/// The one way the system stops on a broken run-time check.
///
/// `panic` writes "thread {tid} panic: {message}" and a line end to standard error
/// (tid is the Linux thread id) and aborts. Every run-time check of the modules and
/// of the verification program goes through it, so a tripped check is never
/// undefined behaviour and always leaves the same message.

#include <cstddef>
#include <string_view>

#include "orvek_kernel/config.hpp"

namespace orvek_kernel {

/// A function `panic` calls before it writes, so whoever draws on standard error can tidy it.
using PanicHook = void (*)() noexcept;

/// Installs `hook` (nullptr for none) and returns the previous one. `panic` runs the hook at
/// most once, and not again if the hook itself panics.
PanicHook setPanicHook(PanicHook hook) noexcept;

/// Writes the panic line for `message` to standard error and aborts the process.
[[noreturn]] void panic(std::string_view message) noexcept;

/// Panics with "index out of bounds: index {index}, len {len}".
[[noreturn]] void panicIndexOutOfBounds(std::size_t index, std::size_t len) noexcept;

/// Panics with "integer overflow".
[[noreturn]] void panicIntegerOverflow() noexcept;

/// Panics with "attempt to use null value".
[[noreturn]] void panicNullValue() noexcept;

}  // namespace orvek_kernel
