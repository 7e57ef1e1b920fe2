#include "orvek_ecs/world.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "test_allocator.hpp"

namespace orvek_ecs {

// The world's one test seam (declared a friend in world.hpp): puts the identifier counter
// at the end of its range, which no real run of creations reaches.
struct WorldTestAccess {
  static void setNextId(World& world, std::uint64_t next_id) { world.next_id_ = next_id; }
};

namespace {

using orvek_ecs::testing::TestAllocator;
using orvek_kernel::HomVec4;

class WorldTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(heap.errors().empty()) << heap.errors().front(); }

  // Creates an entity, expecting success, and returns its identifier.
  static EntityId create(World& world, std::string_view name = "e") {
    const Result<EntityId> id = world.createEntity(name);
    EXPECT_TRUE(id.has_value());
    return id ? *id : EntityId::invalid();
  }

  // Creates an entity and moves it to `pos`.
  static EntityId createAt(World& world, HomVec4 pos) {
    const EntityId id = create(world);
    Entity* entity = world.getEntity(id);
    EXPECT_NE(entity, nullptr);
    if (entity != nullptr) entity->setPosition(pos);
    return id;
  }

  TestAllocator heap;
};

TEST_F(WorldTest, ANewWorldIsEmptyAndTakesNoMemory) {
  World world = World::init(heap);
  EXPECT_EQ(world.activeCount(), 0u);
  EXPECT_TRUE(world.entities().empty());
  EXPECT_EQ(world.nextId(), 1u);
  EXPECT_EQ(world.findNearest(HomVec4::init(1, 0, 0, 0)), std::nullopt);
  EXPECT_EQ(world.findNearest(HomVec4::zero()), std::nullopt);
  EXPECT_EQ(world.getEntity(EntityId::init(1)), nullptr);
  EXPECT_EQ(world.getEntity(EntityId::invalid()), nullptr);
  EXPECT_EQ(world.position_bus.handler, nullptr);
  EXPECT_EQ(world.transform_bus.handler, nullptr);
  EXPECT_EQ(heap.allocateCalls(), 0u);
  world.deinit();
  EXPECT_EQ(heap.deallocateCalls(), 0u);
}

TEST_F(WorldTest, IdentifiersCountUpFromOne) {
  World world = World::init(heap);
  EXPECT_EQ(create(world, "a"), EntityId::init(1));
  EXPECT_EQ(create(world, "b"), EntityId::init(2));
  EXPECT_EQ(create(world, "c"), EntityId::init(3));
  EXPECT_EQ(world.nextId(), 4u);
  EXPECT_EQ(world.activeCount(), 3u);
  ASSERT_EQ(world.entities().size(), 3u);
  EXPECT_EQ(world.entities()[1].name, "b");
}

TEST_F(WorldTest, CreatedEntitiesAreActiveAtVersionOne) {
  static constexpr std::string_view kName = "player";
  World world = World::init(heap);
  const EntityId id = create(world, kName);
  const Entity* entity = world.getEntity(id);
  ASSERT_NE(entity, nullptr);
  EXPECT_EQ(entity->id, id);
  EXPECT_TRUE(entity->isActive());
  EXPECT_EQ(entity->version, 1u);
  EXPECT_EQ(entity->name.data(), kName.data());  // borrowed
  EXPECT_EQ(entity->parent_id, EntityId::invalid());
  EXPECT_EQ(entity->world_transform.data, orvek_kernel::PGL4::identity().data);
}

TEST_F(WorldTest, GetEntityFindsTheStoredRecordAndNothingElse) {
  World world = World::init(heap);
  const EntityId a = create(world, "twin");
  const EntityId b = create(world, "twin");  // names may repeat
  EXPECT_NE(a, b);
  Entity* found_a = world.getEntity(a);
  Entity* found_b = world.getEntity(b);
  ASSERT_NE(found_a, nullptr);
  ASSERT_NE(found_b, nullptr);
  EXPECT_EQ(found_a->id, a);
  EXPECT_EQ(found_b->id, b);
  EXPECT_EQ(world.getEntity(EntityId::invalid()), nullptr);
  EXPECT_EQ(world.getEntity(EntityId::init(3)), nullptr);

  // A reference, not a copy: changes land in the world's own record.
  found_b->setPosition(HomVec4::init(0, 2, 0, 0));
  EXPECT_EQ(world.entities()[1].position.y, 1.0);
  EXPECT_EQ(world.entities()[1].version, 2u);

  const World& view = world;
  EXPECT_EQ(view.getEntity(b), &world.entities()[1]);
  EXPECT_EQ(view.getEntity(EntityId::invalid()), nullptr);
}

TEST_F(WorldTest, FindNearestReturnsTheNearestActiveEntity) {
  World world = World::init(heap);
  const EntityId near = createAt(world, HomVec4::init(1, 0, 0, 0));
  const EntityId far = createAt(world, HomVec4::init(0, 1, 0, 0));
  EXPECT_EQ(world.findNearest(HomVec4::init(0.9, 0.1, 0, 0)), near);
  EXPECT_EQ(world.findNearest(HomVec4::init(0.1, 0.9, 0, 0)), far);
  // The query is not normalised first, and its sign does not matter.
  EXPECT_EQ(world.findNearest(HomVec4::init(-1, -90, 0, 0)), far);
  // A later entity that is nearer wins.
  const EntityId nearest = createAt(world, HomVec4::init(0.2, 1, 0, 0));
  EXPECT_EQ(world.findNearest(HomVec4::init(0.19, 1, 0, 0)), nearest);
  // An entity at the query point itself is a valid answer.
  EXPECT_EQ(world.findNearest(HomVec4::init(1, 0, 0, 0)), near);
}

TEST_F(WorldTest, FindNearestBreaksTiesForTheOldest) {
  World world = World::init(heap);
  const EntityId first = createAt(world, HomVec4::init(0, 0, 1, 1));
  createAt(world, HomVec4::init(0, 0, 2, 2));    // the same point
  createAt(world, HomVec4::init(0, 0, -1, -1));  // its antipode, the same point too
  EXPECT_EQ(world.findNearest(HomVec4::init(0, 0, 1, 1)), first);
  EXPECT_EQ(world.findNearest(HomVec4::init(1, 0, 0, 0)), first);  // all at π/2
}

TEST_F(WorldTest, DeactivatedEntitiesAreNeverReturned) {
  World world = World::init(heap);
  const EntityId a = createAt(world, HomVec4::init(1, 0, 0, 0));
  const EntityId b = createAt(world, HomVec4::init(0, 1, 0, 0));
  const EntityId c = createAt(world, HomVec4::init(0, 0, 1, 0));
  world.getEntity(b)->deactivate();
  EXPECT_EQ(world.activeCount(), 2u);
  // b's own position: the others are both at π/2, so the oldest of them answers.
  EXPECT_EQ(world.findNearest(HomVec4::init(0, 1, 0, 0)), a);
  world.getEntity(a)->deactivate();
  EXPECT_EQ(world.findNearest(HomVec4::init(0, 1, 0, 0)), c);
  world.getEntity(c)->deactivate();
  EXPECT_EQ(world.activeCount(), 0u);
  EXPECT_EQ(world.findNearest(HomVec4::init(0, 1, 0, 0)), std::nullopt);
  // Every non-active state is skipped, not only deactivating.
  for (EntityState state : {EntityState::init, EntityState::inactive, EntityState::destroyed}) {
    world.getEntity(b)->state = state;
    EXPECT_EQ(world.findNearest(HomVec4::init(0, 1, 0, 0)), std::nullopt);
  }
  world.getEntity(b)->state = EntityState::active;
  EXPECT_EQ(world.findNearest(HomVec4::init(1, 0, 0, 0)), b);
}

TEST_F(WorldTest, ANearZeroQueryReturnsTheOldestActiveEntity) {
  World world = World::init(heap);
  const EntityId a = createAt(world, HomVec4::init(1, 0, 0, 0));
  const EntityId b = createAt(world, HomVec4::init(0, 1, 0, 0));
  createAt(world, HomVec4::init(0, 0, 1, 0));
  EXPECT_EQ(world.findNearest(HomVec4::zero()), a);
  EXPECT_EQ(world.findNearest(HomVec4::init(1e-16, 0, 0, 0)), a);
  world.getEntity(a)->deactivate();
  EXPECT_EQ(world.findNearest(HomVec4::init(0, 0, 1e-17, 0)), b);
}

TEST_F(WorldTest, ARefusedAllocationIsOutOfMemoryAndLosesOnlyTheIdentifier) {
  heap.allowAllocations(1);
  World world = World::init(heap);
  for (std::uint64_t i = 1; i <= 4; ++i) createAt(world, HomVec4::init(0, 0, 0, static_cast<double>(i)));
  const std::vector<Entity> before(world.entities().begin(), world.entities().end());
  const Entity* block = world.entities().data();

  const Result<EntityId> lost = world.createEntity("lost");  // the array is full and cannot grow
  ASSERT_FALSE(lost.has_value());
  EXPECT_EQ(lost.error(), Error::OutOfMemory);
  EXPECT_EQ(heap.refusals(), 1u);

  // The stored entities are untouched, in place.
  ASSERT_EQ(world.entities().size(), before.size());
  EXPECT_EQ(world.entities().data(), block);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(world.entities()[i].id, before[i].id);
    EXPECT_EQ(world.entities()[i].version, before[i].version);
    EXPECT_EQ(world.entities()[i].position.w, before[i].position.w);
  }
  EXPECT_EQ(world.getEntity(EntityId::init(5)), nullptr);

  heap.allowAllAllocations();
  EXPECT_EQ(create(world, "next"), EntityId::init(6));
  EXPECT_EQ(world.activeCount(), 5u);
  world.deinit();
  EXPECT_EQ(heap.liveBlocks(), 0u);
  EXPECT_EQ(heap.liveBytes(), 0u);
}

TEST_F(WorldTest, AFirstCreationThatFailsLeavesTheWorldEmpty) {
  heap.allowAllocations(0);
  World world = World::init(heap);
  const Result<EntityId> lost = world.createEntity("lost");
  ASSERT_FALSE(lost);
  EXPECT_EQ(lost.error(), Error::OutOfMemory);
  EXPECT_TRUE(world.entities().empty());
  EXPECT_EQ(world.findNearest(HomVec4::zero()), std::nullopt);
  EXPECT_EQ(world.nextId(), 2u);
  heap.allowAllAllocations();
  EXPECT_EQ(create(world), EntityId::init(2));
}

TEST_F(WorldTest, ManyCreationsGrowTheArrayAndLeakNothing) {
  constexpr std::uint64_t kCount = 5000;
  World world = World::init(heap);
  for (std::uint64_t i = 1; i <= kCount; ++i) ASSERT_EQ(create(world), EntityId::init(i));
  EXPECT_EQ(world.activeCount(), kCount);
  for (std::uint64_t i = 0; i < kCount; ++i) ASSERT_EQ(world.entities()[i].id.id, i + 1);
  EXPECT_EQ(world.getEntity(EntityId::init(kCount))->id.id, kCount);
  // Geometric growth: a handful of blocks, not one per entity.
  EXPECT_LE(heap.allocateCalls(), 20u);
  EXPECT_EQ(heap.liveBlocks(), 1u);
  world.deinit();
  EXPECT_EQ(heap.liveBlocks(), 0u);
  EXPECT_EQ(heap.liveBytes(), 0u);
}

TEST_F(WorldTest, GrowthInPlaceKeepsEveryEntity) {
  heap.allowResize(true);
  World world = World::init(heap);
  for (std::uint64_t i = 1; i <= 100; ++i) createAt(world, HomVec4::init(static_cast<double>(i), 1, 0, 0));
  EXPECT_GT(heap.resizesGranted(), 0u);
  for (std::uint64_t i = 1; i <= 100; ++i) {
    const Entity* e = world.getEntity(EntityId::init(i));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->position.x, HomVec4::init(static_cast<double>(i), 1, 0, 0).normalize().x);
  }
  world.deinit();
  EXPECT_EQ(heap.liveBlocks(), 0u);
}

TEST_F(WorldTest, DeinitThenDestroyReleasesOnce) {
  {
    World world = World::init(heap);
    create(world);
    world.deinit();
    EXPECT_EQ(heap.liveBlocks(), 0u);
  }
  EXPECT_EQ(heap.deallocateCalls(), 1u);
}

TEST_F(WorldTest, TheDestructorReleasesWhatDeinitWouldHave) {
  {
    World world = World::init(heap);
    for (int i = 0; i < 10; ++i) create(world);
    EXPECT_EQ(heap.liveBlocks(), 1u);
  }
  EXPECT_EQ(heap.liveBlocks(), 0u);
}

TEST_F(WorldTest, AWorldCanBeUsedAgainAfterDeinit) {
  World world = World::init(heap);
  create(world);
  world.deinit();
  EXPECT_TRUE(world.entities().empty());
  EXPECT_EQ(world.getEntity(EntityId::init(1)), nullptr);
  EXPECT_EQ(create(world), EntityId::init(2));  // numbers are still never reused
}

TEST_F(WorldTest, MovingHandsTheEntitiesOver) {
  static_assert(!std::is_copy_constructible_v<World> && !std::is_copy_assignable_v<World>);
  static_assert(std::is_nothrow_move_constructible_v<World> && std::is_nothrow_move_assignable_v<World>);

  World source = World::init(heap);
  const EntityId a = create(source);
  create(source);
  World moved(std::move(source));
  EXPECT_EQ(moved.activeCount(), 2u);
  EXPECT_NE(moved.getEntity(a), nullptr);
  EXPECT_EQ(moved.nextId(), 3u);
  EXPECT_TRUE(source.entities().empty());  // the moved-from world holds nothing
  EXPECT_EQ(source.getEntity(a), nullptr);
  EXPECT_EQ(source.activeCount(), 0u);
  EXPECT_EQ(heap.liveBlocks(), 1u);

  World target = World::init(heap);
  create(target);
  EXPECT_EQ(heap.liveBlocks(), 2u);
  target = std::move(moved);  // target's own storage is returned first
  EXPECT_EQ(heap.liveBlocks(), 1u);
  EXPECT_EQ(target.activeCount(), 2u);
  EXPECT_TRUE(moved.entities().empty());

  source.deinit();  // holds nothing: returns nothing
  moved.deinit();
  EXPECT_EQ(heap.liveBlocks(), 1u);
  target.deinit();
  EXPECT_EQ(heap.liveBlocks(), 0u);
}

TEST_F(WorldTest, TheBusesAreTheCallersToUse) {
  static std::uint64_t seen = 0;
  World world = World::init(heap);
  world.position_bus.setHandler([](PositionChangedEvent e) { seen = e.entity_id.id; });
  const EntityId id = create(world);
  world.getEntity(id)->setPosition(HomVec4::init(1, 0, 0, 0));
  EXPECT_EQ(seen, 0u);  // the world and the entity dispatch nothing themselves
  world.position_bus.dispatch(PositionChangedEvent{id, HomVec4::zero(), HomVec4::zero(), 0.0});
  EXPECT_EQ(seen, id.id);
}

TEST_F(WorldTest, TheLastIdentifiersBeforeTheEndOfTheRange) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  World world = World::init(heap);
  WorldTestAccess::setNextId(world, kMax - 1);
  EXPECT_EQ(create(world), EntityId::init(kMax - 1));
  EXPECT_EQ(world.nextId(), kMax);
}

TEST_F(WorldTest, RunningOutOfIdentifiersStops) {
  World world = World::init(heap);
  WorldTestAccess::setNextId(world, std::numeric_limits<std::uint64_t>::max());
  EXPECT_DEATH((void)world.createEntity("one too many"), "thread [0-9]+ panic: integer overflow");
}

}  // namespace
}  // namespace orvek_ecs
