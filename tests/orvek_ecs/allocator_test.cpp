#include "orvek_ecs/allocator.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "orvek_ecs/world.hpp"

namespace orvek_ecs {
namespace {

constexpr std::size_t kKiB = 1024;
constexpr std::size_t kMiB = 1024 * kKiB;

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

TEST(HeapAllocator, ALargeBlockGrowsInPlaceAndKeepsItsContents) {
  Allocator& heap = heapAllocator();
  std::size_t bytes = 128 * kKiB;
  auto* block = static_cast<unsigned char*>(heap.allocate(bytes, 8));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 64, 0u);
  for (std::size_t i = 0; i < bytes; i += 4096) block[i] = static_cast<unsigned char>(i / 4096);
  block[bytes - 1] = 0xab;
  // Doubling up to 64 MiB never moves the block; the last byte of every size is writable.
  while (bytes < 64 * kMiB) {
    ASSERT_TRUE(heap.resize(block, bytes, bytes * 2, 8)) << bytes;
    bytes *= 2;
    block[bytes - 1] = 0xcd;
  }
  for (std::size_t i = 0; i < 128 * kKiB; i += 4096) EXPECT_EQ(block[i], static_cast<unsigned char>(i / 4096));
  EXPECT_EQ(block[128 * kKiB - 1], 0xab);
  // Shrinking a large block keeps it in place too, as long as it stays large.
  EXPECT_TRUE(heap.resize(block, bytes, 1 * kMiB, 8));
  heap.deallocate(block, 1 * kMiB, 8);
}

TEST(HeapAllocator, SmallAndLargeBlocksNeverTurnIntoEachOther) {
  Allocator& heap = heapAllocator();
  void* small = heap.allocate(1000, 8);
  ASSERT_NE(small, nullptr);
  EXPECT_FALSE(heap.resize(small, 1000, 4 * kMiB, 8));
  heap.deallocate(small, 1000, 8);

  void* large = heap.allocate(4 * kMiB, 8);
  ASSERT_NE(large, nullptr);
  EXPECT_FALSE(heap.resize(large, 4 * kMiB, 1000, 8));
  std::memset(large, 1, 4 * kMiB);
  heap.deallocate(large, 4 * kMiB, 8);
}

TEST(HeapAllocator, AReturnedLargeBlockIsReused) {
  Allocator& heap = heapAllocator();
  void* first = heap.allocate(1 * kMiB, 8);
  ASSERT_NE(first, nullptr);
  heap.deallocate(first, 1 * kMiB, 8);
  void* second = heap.allocate(2 * kMiB, 16);
  EXPECT_EQ(second, first);
  ASSERT_NE(second, nullptr);
  static_cast<char*>(second)[2 * kMiB - 1] = 1;
  // A second large block while the first is live gets a range of its own.
  void* third = heap.allocate(1 * kMiB, 8);
  ASSERT_NE(third, nullptr);
  EXPECT_NE(third, second);
  heap.deallocate(third, 1 * kMiB, 8);
  heap.deallocate(second, 2 * kMiB, 16);
}

TEST(HeapAllocator, LargeBlocksWithWideAlignmentComeFromTheHeap) {
  Allocator& heap = heapAllocator();
  void* block = heap.allocate(1 * kMiB, 4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 4096, 0u);
  static_cast<char*>(block)[1 * kMiB - 1] = 1;
  heap.deallocate(block, 1 * kMiB, 4096);
}

TEST(HeapAllocator, ImpossibleRequestsFailWithoutHarm) {
  Allocator& heap = heapAllocator();
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  EXPECT_EQ(heap.allocate(kMax, 8), nullptr);
  EXPECT_EQ(heap.allocate(kMax / 2, 8), nullptr);
  EXPECT_EQ(heap.allocate(kMax - 16, 64), nullptr);
  void* block = heap.allocate(1 * kMiB, 8);
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(heap.resize(block, 1 * kMiB, kMax, 8));
  EXPECT_FALSE(heap.resize(block, 1 * kMiB, kMax - 32, 8));
  EXPECT_FALSE(heap.resize(block, 1 * kMiB, std::size_t{1} << 60, 8));
  heap.deallocate(block, 1 * kMiB, 8);
}

TEST(HeapAllocator, AGrowingWorldStopsMovingOnceItsArrayIsLarge) {
  World world = World::init(heapAllocator());
  const Entity* large_array = nullptr;
  for (std::uint64_t i = 1; i <= 20000; ++i) {
    ASSERT_TRUE(world.createEntity("e").has_value());
    const Entity* data = world.entities().data();
    if (large_array == nullptr && world.entities().size() * sizeof(Entity) >= 64 * kKiB) large_array = data;
    if (large_array != nullptr) {
      ASSERT_EQ(data, large_array) << i;
    }
  }
  for (std::uint64_t i = 0; i < 20000; ++i) ASSERT_EQ(world.entities()[i].id.id, i + 1);
  world.deinit();
}

}  // namespace
}  // namespace orvek_ecs
