#pragma once
/// The leak-checking allocator handed to the cases that need memory.

#include "orvek_ecs/allocator.hpp"

namespace orvek_verify {

/// The allocator of the running case: fresh before every case, checked for leaks after it.
orvek_ecs::Allocator& caseAllocator() noexcept;

}  // namespace orvek_verify
