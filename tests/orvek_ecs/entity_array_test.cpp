#include "orvek_ecs/entity_array.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "test_allocator.hpp"

namespace orvek_ecs {
namespace {

using orvek_ecs::testing::TestAllocator;

constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();

TEST(GrownCapacity, GrowsGeometricallyAndNeverPastTheAddressableSize) {
  struct Row {
    std::size_t capacity;
    std::size_t element_bytes;
    std::optional<std::size_t> grown;
  };
  const std::size_t entity_limit = kMaxSize / sizeof(Entity);
  const Row rows[] = {
      {0, sizeof(Entity), 4},
      {3, sizeof(Entity), 4},
      {4, sizeof(Entity), 8},
      {1000, sizeof(Entity), 2000},
      {entity_limit / 2, sizeof(Entity), entity_limit / 2 * 2},
      {entity_limit / 2 + 1, sizeof(Entity), entity_limit},  // doubling would overflow the byte size
      {entity_limit - 1, sizeof(Entity), entity_limit},
      {entity_limit, sizeof(Entity), std::nullopt},  // nothing larger fits
      {0, kMaxSize / 3, 3},                          // huge elements: fewer than 4 fit
      {3, kMaxSize / 3, std::nullopt},
      {0, kMaxSize, 1},
      {1, kMaxSize, std::nullopt},
      {0, 0, 4},  // empty elements count as one byte
      {kMaxSize, 1, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.capacity << " x " << row.element_bytes);
    const std::optional<std::size_t> grown = grownCapacity(row.capacity, row.element_bytes);
    EXPECT_EQ(grown, row.grown);
    if (grown) {
      EXPECT_GT(*grown, row.capacity);
      EXPECT_LE(*grown, kMaxSize / (row.element_bytes == 0 ? 1 : row.element_bytes));
    }
  }
}

class EntityArrayTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(heap.errors().empty()) << heap.errors().front(); }

  // Appends entities numbered first..last, expecting every append to succeed.
  static void fill(EntityArray& array, std::uint64_t first, std::uint64_t last) {
    for (std::uint64_t id = first; id <= last; ++id) ASSERT_TRUE(array.append(Entity::init(id, "e")));
  }

  static void expectNumbered(const EntityArray& array, std::uint64_t last) {
    ASSERT_EQ(array.size(), last);
    for (std::uint64_t i = 0; i < last; ++i) EXPECT_EQ(array.items()[i].id.id, i + 1);
  }

  TestAllocator heap;
};

TEST_F(EntityArrayTest, TakesNoMemoryUntilTheFirstAppend) {
  EntityArray array(heap);
  EXPECT_EQ(array.size(), 0u);
  EXPECT_EQ(array.capacity(), 0u);
  EXPECT_TRUE(array.items().empty());
  EXPECT_EQ(heap.allocateCalls(), 0u);
  EXPECT_EQ(&array.allocator(), &heap);
}

TEST_F(EntityArrayTest, GrowsByMovingWhenResizeIsRefused) {
  EntityArray array(heap);
  fill(array, 1, 4);
  const Entity* first_block = array.items().data();
  EXPECT_EQ(array.capacity(), 4u);
  fill(array, 5, 5);
  EXPECT_NE(array.items().data(), first_block);
  EXPECT_EQ(array.capacity(), 8u);
  EXPECT_EQ(heap.resizeCalls(), 1u);
  EXPECT_EQ(heap.allocateCalls(), 2u);
  EXPECT_EQ(heap.liveBlocks(), 1u);  // the old block went back, with its size and alignment
  EXPECT_EQ(heap.liveBytes(), 8 * sizeof(Entity));
  expectNumbered(array, 5);
}

TEST_F(EntityArrayTest, GrowsInPlaceWhenResizeIsGranted) {
  heap.allowResize(true);
  EntityArray array(heap);
  fill(array, 1, 5);
  const Entity* block = array.items().data();
  fill(array, 6, 16);
  EXPECT_EQ(array.items().data(), block);
  EXPECT_EQ(heap.allocateCalls(), 1u);
  EXPECT_GE(heap.resizesGranted(), 1u);
  EXPECT_EQ(heap.liveBytes(), array.capacity() * sizeof(Entity));
  expectNumbered(array, 16);
  array.release();  // returned with the size after the resizes
  EXPECT_EQ(heap.liveBlocks(), 0u);
}

TEST_F(EntityArrayTest, AFailedAppendChangesNothing) {
  heap.allowAllocations(1);
  EntityArray array(heap);
  fill(array, 1, 4);
  const Entity* block = array.items().data();
  EXPECT_FALSE(array.append(Entity::init(5, "e")));
  EXPECT_EQ(array.items().data(), block);
  EXPECT_EQ(array.capacity(), 4u);
  expectNumbered(array, 4);
  EXPECT_EQ(heap.liveBlocks(), 1u);

  heap.allowAllAllocations();
  fill(array, 5, 5);
  expectNumbered(array, 5);
}

TEST_F(EntityArrayTest, AppendingAStoredEntityToAFullArrayCopiesItBeforeTheMove) {
  // The reference points into the block that the growth moves away from and returns.
  EntityArray array(heap);
  fill(array, 1, 4);
  ASSERT_TRUE(array.append(array.items()[2]));
  ASSERT_EQ(array.size(), 5u);
  EXPECT_EQ(array.items()[4].id.id, 3u);
  EXPECT_EQ(array.items()[4].name, "e");
}

TEST_F(EntityArrayTest, AppendSlotReservesTheEndAndFailsWithoutChange) {
  heap.allowAllocations(1);
  EntityArray array(heap);
  Entity* slot = array.appendSlot();
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot, array.items().data());
  EXPECT_EQ(array.size(), 1u);
  ::new (static_cast<void*>(slot)) Entity(Entity::init(1, "e"));
  fill(array, 2, 4);
  EXPECT_EQ(array.appendSlot(), nullptr);  // full, and the allocator refuses
  expectNumbered(array, 4);
  EXPECT_EQ(array.capacity(), 4u);
}

TEST_F(EntityArrayTest, ReleaseReturnsTheBlockAndLeavesAUsableArray) {
  EntityArray array(heap);
  fill(array, 1, 3);
  array.release();
  EXPECT_EQ(heap.liveBlocks(), 0u);
  EXPECT_EQ(array.size(), 0u);
  EXPECT_EQ(array.capacity(), 0u);
  array.release();  // nothing left to return
  EXPECT_EQ(heap.deallocateCalls(), 1u);
  fill(array, 1, 1);
  EXPECT_EQ(heap.liveBlocks(), 1u);
}

TEST_F(EntityArrayTest, TheDestructorReturnsTheBlock) {
  {
    EntityArray array(heap);
    fill(array, 1, 9);
  }
  EXPECT_EQ(heap.liveBlocks(), 0u);
  EXPECT_EQ(heap.allocateCalls(), heap.deallocateCalls());
}

TEST_F(EntityArrayTest, MovingHandsTheBlockOver) {
  EntityArray source(heap);
  fill(source, 1, 3);
  const Entity* block = source.items().data();

  EntityArray moved(std::move(source));
  EXPECT_EQ(moved.items().data(), block);
  expectNumbered(moved, 3);
  EXPECT_EQ(source.size(), 0u);  // the moved-from state
  EXPECT_EQ(source.capacity(), 0u);

  EntityArray target(heap);
  fill(target, 1, 1);
  target = std::move(moved);  // target's own block goes back first
  EXPECT_EQ(target.items().data(), block);
  EXPECT_EQ(heap.liveBlocks(), 1u);
  EXPECT_EQ(moved.size(), 0u);
}

}  // namespace
}  // namespace orvek_ecs
