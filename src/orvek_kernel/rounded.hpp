#pragma once
/// Rounded products for the inline functions of the kernel headers.
///
/// The kernel is built with -ffp-contract=off and passes that option on to its users, but
/// a user's translation unit may still turn contraction on after it (-ffp-contract=fast).
/// An inline function of a public header is then compiled with the user's option, and the
/// compiler may fuse a product with the sum that follows into one multiply-add, which
/// rounds once instead of twice and changes the bits. Each product of such a function goes
/// through `roundedMul`, whose value the compiler cannot see through at run time, so it has
/// to be rounded on its own. In constant evaluation nothing is fused and the barrier is
/// skipped, so the functions stay constexpr. The barrier emits no instruction.

#include <type_traits>

#include "orvek_kernel/config.hpp"

namespace orvek_kernel {

/// Makes the compiler forget how `value` was computed, without changing it or emitting code.
///
/// The empty assembly statement claims to read and rewrite `value` in a register, so
/// the operation that produced it cannot be merged with the one that consumes it.
template <typename T>
inline void forgetOrigin(T& value) noexcept {
#if defined(__SSE2__)
  __asm__("" : "+x"(value));  // in place in its vector register
#else
  __asm__("" : "+m"(value));  // through memory where there is no such register
#endif
}

/// The product a·b rounded to double on its own, never fused with a following sum.
constexpr double roundedMul(double a, double b) noexcept {
  double product = a * b;
  if (!std::is_constant_evaluated()) forgetOrigin(product);
  return product;
}

}  // namespace orvek_kernel
