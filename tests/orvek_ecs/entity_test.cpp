#include "orvek_ecs/entity.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string_view>

#include "bit_equal.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "orvek_kernel/transforms.hpp"

namespace orvek_ecs {
namespace {

using orvek_kernel::HomVec4;
using orvek_kernel::PGL4;
using orvek_kernel::testing::sameBits;

constexpr std::uint64_t kMaxVersion = std::numeric_limits<std::uint64_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Entity, InitGivesTheStartingValues) {
  static constexpr std::string_view kName = "test_entity";
  const Entity e = Entity::init(1, kName);
  EXPECT_EQ(e.id, EntityId::init(1));
  EXPECT_EQ(e.name.data(), kName.data());  // borrowed, not copied
  EXPECT_TRUE(sameBits(HomVec4::init(0, 0, 0, 1), e.position));
  EXPECT_EQ(e.world_transform.data, PGL4::identity().data);
  EXPECT_EQ(e.parent_id, EntityId::invalid());
  EXPECT_EQ(e.version, 0u);
  EXPECT_EQ(e.state, EntityState::init);
  EXPECT_FALSE(e.isActive());
}

TEST(Entity, InitDoesNotCheckTheNumber) {
  EXPECT_FALSE(Entity::init(0, "nobody").id.isValid());
  EXPECT_EQ(Entity::init(kMaxVersion, "last").id.id, kMaxVersion);
}

TEST(Entity, StateValuesAreFixed) {
  static_assert(std::is_same_v<std::underlying_type_t<EntityState>, std::uint8_t>);
  EXPECT_EQ(static_cast<int>(EntityState::init), 0);
  EXPECT_EQ(static_cast<int>(EntityState::active), 1);
  EXPECT_EQ(static_cast<int>(EntityState::deactivating), 2);
  EXPECT_EQ(static_cast<int>(EntityState::inactive), 3);
  EXPECT_EQ(static_cast<int>(EntityState::destroyed), 4);
}

struct Transition {
  EntityState before;
  EntityState after;
  std::uint64_t version_added;
};

struct LifecycleRow {
  EntityState before;
  Transition activate;
  Transition deactivate;
};

// Every state against both operations, with the version effect of each.
constexpr LifecycleRow kLifecycle[] = {
    {EntityState::init, {EntityState::init, EntityState::active, 1}, {EntityState::init, EntityState::init, 0}},
    {EntityState::active,
     {EntityState::active, EntityState::active, 0},
     {EntityState::active, EntityState::deactivating, 1}},
    {EntityState::deactivating,
     {EntityState::deactivating, EntityState::deactivating, 0},
     {EntityState::deactivating, EntityState::deactivating, 0}},
    {EntityState::inactive,
     {EntityState::inactive, EntityState::active, 1},
     {EntityState::inactive, EntityState::inactive, 0}},
    {EntityState::destroyed,
     {EntityState::destroyed, EntityState::destroyed, 0},
     {EntityState::destroyed, EntityState::destroyed, 0}},
};

TEST(Entity, LifecycleTable) {
  for (const LifecycleRow& row : kLifecycle) {
    SCOPED_TRACE(static_cast<int>(row.before));
    Entity e = Entity::init(1, "e");
    e.state = row.before;
    e.version = 7;
    EXPECT_EQ(e.isActive(), row.before == EntityState::active);

    Entity activated = e;
    activated.activate();
    EXPECT_EQ(activated.state, row.activate.after);
    EXPECT_EQ(activated.version, 7 + row.activate.version_added);

    Entity deactivated = e;
    deactivated.deactivate();
    EXPECT_EQ(deactivated.state, row.deactivate.after);
    EXPECT_EQ(deactivated.version, 7 + row.deactivate.version_added);
  }
}

TEST(Entity, CreationAndLifecycleSequence) {
  Entity e = Entity::init(1, "test_entity");
  e.activate();
  e.activate();  // already active: counted once
  EXPECT_EQ(e.state, EntityState::active);
  EXPECT_EQ(e.version, 1u);
  e.deactivate();
  EXPECT_EQ(e.state, EntityState::deactivating);
  EXPECT_EQ(e.version, 2u);
  e.activate();  // deactivating is not accepted
  EXPECT_EQ(e.state, EntityState::deactivating);
  EXPECT_EQ(e.version, 2u);
}

TEST(Entity, SetPositionStoresTheUnitRepresentativeWithItsSign) {
  struct Row {
    HomVec4 pos;
  };
  const Row rows[] = {
      {HomVec4::fromCartesian(3, 4, 0)},   {HomVec4::init(1, 0, 0, 0)},
      {HomVec4::init(-1, -2, -3, -4)},     {HomVec4::init(0, 0, 0, 1e-15 * 1.5)},  // just above the zero threshold
      {HomVec4::init(1e150, 2e150, 0, 0)},                                         // large, but the squares still fit
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.pos.x << " " << row.pos.y << " " << row.pos.z << " " << row.pos.w);
    Entity e = Entity::init(1, "p");
    e.setPosition(row.pos);
    EXPECT_TRUE(sameBits(row.pos.normalize(), e.position));
    EXPECT_NEAR(e.position.norm(), 1.0, 1e-15);
    EXPECT_EQ(e.version, 1u);
  }
}

TEST(Entity, SetPositionKeepsThePositionForVectorsThatNameNoPoint) {
  const HomVec4 rejected[] = {
      HomVec4::zero(),
      HomVec4::init(1e-16, 0, 0, 0),
      HomVec4::init(1e-15, 0, 0, 0),  // the threshold itself is not above it
      HomVec4::init(kNaN, 0, 0, 1),
      HomVec4::init(1, kNaN, kNaN, kNaN),
      HomVec4::init(kInf, 0, 0, 0),
      HomVec4::init(1, -kInf, 0, 1),
      HomVec4::init(kInf, kNaN, 0, 0),
  };
  for (const HomVec4& pos : rejected) {
    SCOPED_TRACE(::testing::Message() << pos.x << " " << pos.y << " " << pos.z << " " << pos.w);
    Entity e = Entity::init(1, "p");
    e.setPosition(HomVec4::init(0, 3, 0, 4));
    const HomVec4 before = e.position;
    e.setPosition(pos);
    EXPECT_TRUE(sameBits(before, e.position));
    EXPECT_EQ(e.version, 2u);  // counted all the same
  }
}

TEST(Entity, SetPositionScalesCoordinatesWhoseNormOverflows) {
  // The squares of these overflow although the point is an ordinary one.
  Entity e = Entity::init(1, "far out");
  e.setPosition(HomVec4::init(1e200, -1e200, 0, 0));
  EXPECT_NEAR(e.position.x, std::numbers::sqrt2 / 2, 1e-15);
  EXPECT_NEAR(e.position.y, -std::numbers::sqrt2 / 2, 1e-15);
  EXPECT_EQ(e.position.z, 0.0);
  EXPECT_EQ(e.position.w, 0.0);
  EXPECT_EQ(e.version, 1u);

  const double max = std::numeric_limits<double>::max();
  e.setPosition(HomVec4::init(max, max, max, max));
  EXPECT_NEAR(e.position.x, 0.5, 1e-15);
  EXPECT_NEAR(e.position.w, 0.5, 1e-15);
  EXPECT_EQ(e.version, 2u);
}

TEST(Entity, SetPositionWorksInEveryState) {
  for (EntityState state : {EntityState::init, EntityState::active, EntityState::deactivating, EntityState::inactive,
                            EntityState::destroyed}) {
    Entity e = Entity::init(1, "p");
    e.state = state;
    e.setPosition(HomVec4::init(2, 0, 0, 0));
    EXPECT_TRUE(sameBits(HomVec4::init(1, 0, 0, 0), e.position));
    EXPECT_EQ(e.state, state);
    EXPECT_EQ(e.version, 1u);
  }
}

TEST(Entity, SetWorldTransformStoresAllSixteenValuesUnchanged) {
  Entity e = Entity::init(1, "transformed");
  e.setWorldTransform(orvek_kernel::pglTranslate(1, 2, 3));
  EXPECT_EQ(e.world_transform.get(0, 3), 1.0);
  EXPECT_EQ(e.world_transform.data, orvek_kernel::pglTranslate(1, 2, 3).data);
  EXPECT_EQ(e.version, 1u);

  // No normalisation and no singularity check.
  PGL4 singular = orvek_kernel::pglScale(0, 5, 5);
  singular.set(2, 1, -kInf);
  e.setWorldTransform(singular);
  EXPECT_EQ(e.world_transform.data, singular.data);
  EXPECT_EQ(e.version, 2u);
}

TEST(Entity, PositionAndTransformAreIndependent) {
  Entity e = Entity::init(1, "both");
  const std::uint64_t before = e.version;
  e.setWorldTransform(orvek_kernel::pglTranslate(1, 2, 3));
  e.setPosition(HomVec4::init(0, 0, 3, 4));
  EXPECT_EQ(e.version, before + 2);
  EXPECT_EQ(e.world_transform.data, orvek_kernel::pglTranslate(1, 2, 3).data);
  EXPECT_TRUE(sameBits(HomVec4::init(0, 0, 0.6, 0.8), e.position));
}

TEST(Entity, VersionCountsEveryChange) {
  Entity e = Entity::init(1, "tracked");
  EXPECT_EQ(e.version, 0u);
  e.setPosition(HomVec4::init(1, 0, 0, 0));
  EXPECT_EQ(e.version, 1u);
  e.setPosition(HomVec4::init(1, 0, 0, 0));  // same position: still a change
  EXPECT_EQ(e.version, 2u);
  e.activate();
  e.setWorldTransform(PGL4::identity());
  e.deactivate();
  e.deactivate();  // ignored
  EXPECT_EQ(e.version, 5u);
}

TEST(Entity, DistanceToIsTheFubiniStudyDistanceOfThePositions) {
  Entity a = Entity::init(1, "a");
  Entity b = Entity::init(2, "b");
  a.setPosition(HomVec4::init(1, 0, 0, 0));
  b.setPosition(HomVec4::init(0, 1, 0, 0));
  EXPECT_NEAR(a.distanceTo(b), std::numbers::pi / 2, 1e-10);
  EXPECT_EQ(a.distanceTo(b), b.distanceTo(a));
  EXPECT_EQ(a.distanceTo(a), 0.0);

  b.setPosition(HomVec4::init(-3, 0, 0, 0));  // the antipode is the same point
  EXPECT_NEAR(a.distanceTo(b), 0.0, 1e-6);
  b.setPosition(HomVec4::init(1, 0, 0, 1));
  EXPECT_EQ(a.distanceTo(b), orvek_kernel::fsDistance(a.position, b.position));
  EXPECT_NEAR(a.distanceTo(b), std::numbers::pi / 4, 1e-10);
}

constexpr const char* kOverflow = "thread [0-9]+ panic: integer overflow";

TEST(EntityDeathTest, EveryCountedChangeStopsAtTheEndOfTheVersionRange) {
  Entity at_max = Entity::init(1, "old");
  at_max.version = kMaxVersion;
  EXPECT_DEATH(at_max.setPosition(HomVec4::init(1, 0, 0, 0)), kOverflow);
  EXPECT_DEATH(at_max.setPosition(HomVec4::zero()), kOverflow);
  EXPECT_DEATH(at_max.setWorldTransform(PGL4::identity()), kOverflow);
  EXPECT_DEATH(at_max.activate(), kOverflow);
  Entity active = at_max;
  active.state = EntityState::active;
  EXPECT_DEATH(active.deactivate(), kOverflow);
}

TEST(Entity, IgnoredLifecycleCallsAtTheEndOfTheRangeDoNotStop) {
  Entity e = Entity::init(1, "old");
  e.version = kMaxVersion;
  e.deactivate();  // init: ignored
  e.state = EntityState::active;
  e.activate();  // active: ignored
  EXPECT_EQ(e.version, kMaxVersion);

  e.version = kMaxVersion - 1;
  e.setPosition(HomVec4::init(1, 0, 0, 0));
  EXPECT_EQ(e.version, kMaxVersion);
}

}  // namespace
}  // namespace orvek_ecs
