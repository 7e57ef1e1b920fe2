#pragma once
/// The verification cases of orvek_kernel, in registry order.

#include <span>

#include "verify/case.hpp"

namespace orvek_kernel::cases {

/// The kernel's cases, in the order the verification program runs them.
std::span<const orvek_verify::Case> kernelCases() noexcept;

}  // namespace orvek_kernel::cases
