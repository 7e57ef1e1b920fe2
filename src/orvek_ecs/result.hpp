#pragma once
/// A value or an `Error`, returned by operations that can fail.

#include <type_traits>
#include <utility>

#include "orvek_ecs/error.hpp"
#include "orvek_kernel/panic.hpp"

namespace orvek_ecs {

/// Either a T or an `Error`, in the shape of `std::expected<T, Error>`.
///
/// Reading the side that is not there is a run-time check, not undefined behaviour:
/// `value()`, `operator*` and `operator->` of an error, and `error()` of a value, stop
/// the process with "attempt to use null value".
template <typename T>
class [[nodiscard]] Result {
  static_assert(!std::is_same_v<std::remove_cv_t<T>, Error>, "a Result cannot hold an Error as its value");

 public:
  /// A result holding `value`.
  constexpr Result(T value) noexcept(std::is_nothrow_move_constructible_v<T>)  // implicit, as in std::expected
      : value_(std::move(value)), has_value_(true) {}

  /// A result holding `error`.
  constexpr Result(Error error) noexcept : error_(error), has_value_(false) {}  // implicit, as std::unexpected converts

  /// True when a value is held.
  constexpr bool has_value() const noexcept { return has_value_; }

  /// True when a value is held.
  constexpr explicit operator bool() const noexcept { return has_value_; }

  /// The held value; panics with "attempt to use null value" when an error is held.
  constexpr const T& value() const noexcept {
    if (!has_value_) orvek_kernel::panicNullValue();
    return value_;
  }

  /// The held value; panics with "attempt to use null value" when an error is held.
  constexpr T& value() noexcept {
    if (!has_value_) orvek_kernel::panicNullValue();
    return value_;
  }

  /// The held value, checked like `value()`.
  constexpr const T& operator*() const noexcept { return value(); }

  /// The held value, checked like `value()`.
  constexpr T& operator*() noexcept { return value(); }

  /// Member access to the held value, checked like `value()`.
  constexpr const T* operator->() const noexcept { return &value(); }

  /// Member access to the held value, checked like `value()`.
  constexpr T* operator->() noexcept { return &value(); }

  /// The held error; panics with "attempt to use null value" when a value is held.
  constexpr Error error() const noexcept {
    if (has_value_) orvek_kernel::panicNullValue();
    return error_;
  }

 private:
  // Trivially copyable T only (identifiers and the like): no destructor bookkeeping.
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "Result holds plain values only");
  union {
    T value_;
    Error error_;
  };
  bool has_value_;
};

}  // namespace orvek_ecs
