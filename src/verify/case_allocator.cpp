#include "verify/case_allocator.hpp"

namespace orvek_verify {

orvek_ecs::Allocator& caseAllocator() noexcept { return orvek_ecs::heapAllocator(); }

}  // namespace orvek_verify
