#include "orvek_ecs/allocator.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace orvek_ecs {
namespace {

TEST(HeapAllocator, AllocatesAlignedBlocksAndShrinksInPlace) {
  Allocator& heap = heapAllocator();
  for (std::size_t alignment : {std::size_t{8}, std::size_t{16}, std::size_t{64}}) {
    void* block = heap.allocate(100, alignment);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u);
    EXPECT_TRUE(heap.resize(block, 100, 50, alignment));
    heap.deallocate(block, 50, alignment);
  }
}

}  // namespace
}  // namespace orvek_ecs
