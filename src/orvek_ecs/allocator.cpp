#include "orvek_ecs/allocator.hpp"

#include <malloc.h>

#include <cstdlib>

namespace orvek_ecs {
namespace {

class HeapAllocator final : public Allocator {
 public:
  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override {
    if (bytes == 0) bytes = 1;
    if (alignment <= alignof(std::max_align_t)) return std::malloc(bytes);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded < bytes) return nullptr;
    return std::aligned_alloc(alignment, rounded);
  }

  bool resize(void* block, std::size_t, std::size_t new_bytes, std::size_t) noexcept override {
    // In place exactly when the heap's block already has room for the new size.
    return block != nullptr && new_bytes <= ::malloc_usable_size(block);
  }

  void deallocate(void* block, std::size_t, std::size_t) noexcept override { std::free(block); }
};

}  // namespace

Allocator& heapAllocator() noexcept {
  static HeapAllocator instance;
  return instance;
}

}  // namespace orvek_ecs
