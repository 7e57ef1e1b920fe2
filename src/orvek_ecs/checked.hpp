#pragma once
/// Checked arithmetic for the fixed-width counters (versions, identifiers, counts).
///
/// A counter that would leave its width stops the process with "integer overflow"
/// instead of wrapping.

#include <concepts>
#include <limits>

#include "orvek_kernel/panic.hpp"

namespace orvek_ecs {

/// `value + amount`, or a panic with "integer overflow" when the sum does not fit in T.
template <std::unsigned_integral T>
constexpr T checkedAdd(T value, T amount) noexcept {
  if (value > std::numeric_limits<T>::max() - amount) orvek_kernel::panicIntegerOverflow();
  return static_cast<T>(value + amount);
}

/// Adds one to `counter` in place, or panics with "integer overflow".
template <std::unsigned_integral T>
constexpr void checkedIncrement(T& counter) noexcept {
  counter = checkedAdd(counter, T{1});
}

}  // namespace orvek_ecs
