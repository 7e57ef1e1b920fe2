#pragma once
/// The verification cases of orvek_ecs, in registry order.

#include <span>

#include "verify/case.hpp"

namespace orvek_ecs::cases {

/// The entity-component cases, in the order the verification program runs them.
std::span<const orvek_verify::Case> ecsCases() noexcept;

}  // namespace orvek_ecs::cases
