#pragma once
/// The allocator handle: how a `World` takes memory from its owner.
///
/// The handle is borrowed: whoever passes it to a world keeps it alive for as long as
/// the world uses it. Every call is `noexcept`; failure is a value (`nullptr`, `false`).

#include <cstddef>

namespace orvek_ecs {

/// An abstract source of memory blocks that the caller supplies.
class Allocator {
 public:
  /// A block of at least `bytes` bytes aligned to `alignment` (a power of two), or `nullptr`.
  virtual void* allocate(std::size_t bytes, std::size_t alignment) noexcept = 0;

  /// Grows or shrinks `block` to `new_bytes` without moving it; false when that is not possible,
  /// in which case the block is left as it was.
  virtual bool resize(void* block, std::size_t old_bytes, std::size_t new_bytes, std::size_t alignment) noexcept = 0;

  /// Returns `block`, allocated with exactly `bytes` and `alignment` (its current size after a resize).
  virtual void deallocate(void* block, std::size_t bytes, std::size_t alignment) noexcept = 0;

 protected:
  Allocator() = default;
  Allocator(const Allocator&) = default;
  Allocator& operator=(const Allocator&) = default;
  ~Allocator() = default;
};

/// A ready handle on the process heap, for callers that do not bring their own allocator.
Allocator& heapAllocator() noexcept;

}  // namespace orvek_ecs
