#pragma once
/// The ordered registry of verification cases: the orvek_ecs cases, then the orvek_kernel cases.

#include <span>

#include "verify/case.hpp"

namespace orvek_verify {

/// Every registered case, in run order.
std::span<const Case> registry() noexcept;

}  // namespace orvek_verify
