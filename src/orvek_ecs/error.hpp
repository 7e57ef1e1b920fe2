#pragma once
/// The errors of orvek_ecs.

#include <cstdint>

namespace orvek_ecs {

/// Why an operation failed. Storage is the only thing that can run out.
enum class Error : std::uint8_t {
  OutOfMemory,  ///< the allocator could not supply a block
};

}  // namespace orvek_ecs
