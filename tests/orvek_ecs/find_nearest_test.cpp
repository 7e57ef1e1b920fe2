// World::findNearest skips the arccosine for entities that cannot win and works on several
// entities at once; it must still return exactly the entity that the plain scan returns
// (fsDistance for every active entity, a strictly smaller distance replacing the best), ties
// and near-ties included.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "orvek_ecs/allocator.hpp"
#include "orvek_ecs/world.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "plain_find_nearest.hpp"

namespace orvek_ecs {
namespace {

using orvek_kernel::HomVec4;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using orvek_support::plainFindNearest;

std::string describe(std::optional<EntityId> id) { return id ? std::to_string(id->id) : std::string("none"); }

// A world whose entities sit exactly at the given positions (stored as they are, not
// normalised: the field is public and findNearest must cope with any value) in the given states.
class Scene {
 public:
  Scene() : world_(World::init(heapAllocator())) {}

  void add(HomVec4 position, EntityState state = EntityState::active) {
    const EntityId id = world_.createEntity("e").value();
    Entity* entity = world_.getEntity(id);
    entity->position = position;
    entity->state = state;
  }

  ::testing::AssertionResult agreesWithThePlainScan(HomVec4 query) const {
    const std::optional<EntityId> fast = world_.findNearest(query);
    const std::optional<EntityId> plain = plainFindNearest(world_.entities(), query);
    if (fast == plain) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "findNearest gave " << describe(fast) << ", the plain scan "
                                         << describe(plain) << " (" << world_.entities().size() << " entities, query "
                                         << query.x << ", " << query.y << ", " << query.z << ", " << query.w << ")";
  }

  const World& world() const { return world_; }

 private:
  World world_;
};

// Entity positions and queries where the fast path could part from the plain scan.
std::vector<HomVec4> specialVectors() {
  const double tiny = 1e-17;
  return {
      HomVec4::init(1, 0, 0, 0),
      HomVec4::init(2, 0, 0, 0),   // the same point, longer
      HomVec4::init(-1, 0, 0, 0),  // the same point, opposite sign
      HomVec4::init(0, 1, 0, 0),
      HomVec4::init(0, 0, 1, 1),
      HomVec4::init(1, 1, 1, 1),
      HomVec4::zero(),
      HomVec4::init(1e-16, 0, 0, 0),  // norm below 1e-15: distance 0 to everything
      HomVec4::init(1e-15, 0, 0, 0),  // norm exactly 1e-15: divided
      HomVec4::init(kNaN, 0, 0, 0),
      HomVec4::init(0, kNaN, 1, 0),
      HomVec4::init(kInf, 0, 0, 0),
      HomVec4::init(kInf, kInf, 0, 0),
      HomVec4::init(1e200, 1e200, 0, 0),    // the squares overflow
      HomVec4::init(1e-200, 3e-200, 0, 0),  // the squares underflow
      HomVec4::init(std::numeric_limits<double>::denorm_min(), 0, 0, 0),
      HomVec4::init(tiny, 1, 0, 0),      // cosines to (1, 0, 0, 0) that differ while their
      HomVec4::init(2 * tiny, 1, 0, 0),  // arccosines are all π/2
      HomVec4::init(3 * tiny, 1, 0, 0),
      HomVec4::init(1, 1e-8, 0, 0),  // cosines near 1, a few ulps apart
      HomVec4::init(1, 1.5e-8, 0, 0),
      HomVec4::init(1, 2e-8, 0, 0),
      HomVec4::init(1, std::nextafter(1e-8, 1.0), 0, 0),
      HomVec4::init(0.6, 0.8, 0, 0),
      HomVec4::init(0.8, 0.6, 0, 0),
  };
}

TEST(FindNearest, EqualDistancesGoToTheOldest) {
  Scene s;
  s.add(HomVec4::init(0, 1, 0, 0));
  s.add(HomVec4::init(0, 2, 0, 0));
  s.add(HomVec4::init(0, -3, 0, 0));
  s.add(HomVec4::init(1, 1, 0, 0));
  s.add(HomVec4::init(0, 5, 0, 0));
  EXPECT_EQ(s.world().findNearest(HomVec4::init(0, 1, 0, 0)), EntityId::init(1));
  EXPECT_TRUE(s.agreesWithThePlainScan(HomVec4::init(0, 1, 0, 0)));
  EXPECT_TRUE(s.agreesWithThePlainScan(HomVec4::init(0, 0, 1, 0)));  // all at π/2
}

TEST(FindNearest, ALargerCosineWithAnEqualDistanceDoesNotWin) {
  // Cosines of about 1e-17, 2e-17 and 3e-17 all have the arccosine π/2 in double precision.
  const HomVec4 query = HomVec4::init(1, 0, 0, 0);
  ASSERT_EQ(orvek_kernel::fsDistance(query, HomVec4::init(1e-17, 1, 0, 0)),
            orvek_kernel::fsDistance(query, HomVec4::init(3e-17, 1, 0, 0)));
  Scene s;
  s.add(HomVec4::init(1e-17, 1, 0, 0));
  s.add(HomVec4::init(3e-17, 1, 0, 0));
  s.add(HomVec4::init(2e-17, 1, 0, 0));
  EXPECT_EQ(s.world().findNearest(query), EntityId::init(1));
  EXPECT_TRUE(s.agreesWithThePlainScan(query));
}

TEST(FindNearest, ADistanceOfZeroEndsTheScan) {
  Scene s;
  s.add(HomVec4::init(0, 1, 0, 0));
  s.add(HomVec4::init(1, 0, 0, 0), EntityState::deactivating);
  s.add(HomVec4::zero());  // distance 0 to everything
  s.add(HomVec4::init(1, 0, 0, 0));
  s.add(HomVec4::init(kNaN, 0, 0, 0));  // distance 0 too, but later
  EXPECT_EQ(s.world().findNearest(HomVec4::init(1, 0, 0, 0)), EntityId::init(3));
  EXPECT_TRUE(s.agreesWithThePlainScan(HomVec4::init(1, 0, 0, 0)));
}

TEST(FindNearest, DegenerateQueriesGoToTheOldestActiveEntity) {
  Scene s;
  s.add(HomVec4::init(1, 0, 0, 0), EntityState::init);
  s.add(HomVec4::init(0, 1, 0, 0), EntityState::inactive);
  s.add(HomVec4::init(0, 0, 1, 0));
  s.add(HomVec4::init(0, 0, 0, 1));
  for (const HomVec4 q : {HomVec4::zero(), HomVec4::init(1e-16, 0, 0, 0), HomVec4::init(kNaN, 1, 0, 0)}) {
    EXPECT_EQ(s.world().findNearest(q), EntityId::init(3));
    EXPECT_TRUE(s.agreesWithThePlainScan(q));
  }
}

TEST(FindNearest, OnlyActiveEntitiesAreCandidates) {
  const EntityState states[] = {EntityState::init, EntityState::deactivating, EntityState::inactive,
                                EntityState::destroyed};
  for (std::size_t n = 0; n <= 9; ++n) {
    Scene s;
    for (std::size_t i = 0; i < n; ++i) s.add(HomVec4::init(1, static_cast<double>(i), 0, 0), states[i % 4]);
    EXPECT_EQ(s.world().findNearest(HomVec4::init(1, 0, 0, 0)), std::nullopt) << n;
    s.add(HomVec4::init(0, 0, 0, 1));
    EXPECT_EQ(s.world().findNearest(HomVec4::init(1, 0, 0, 0)), EntityId::init(n + 1)) << n;
  }
}

TEST(FindNearest, AgreesWithThePlainScanOnAdversarialWorlds) {
  const std::vector<HomVec4> special = specialVectors();
  std::mt19937_64 g(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  auto pick = [&](double special_share) {
    if (std::uniform_real_distribution<double>(0, 1)(g) < special_share) return special[g() % special.size()];
    return HomVec4::init(u(g), u(g), u(g), u(g));
  };
  const EntityState states[] = {EntityState::active, EntityState::active, EntityState::active,
                                EntityState::deactivating, EntityState::init};
  for (int world = 0; world < 3000; ++world) {
    Scene s;
    const std::size_t n = g() % 24;
    const double special_share = (world % 3) * 0.45;
    for (std::size_t i = 0; i < n; ++i) s.add(pick(special_share), states[g() % std::size(states)]);
    for (int q = 0; q < 8; ++q) ASSERT_TRUE(s.agreesWithThePlainScan(pick(0.5))) << "world " << world;
  }
}

TEST(FindNearest, AgreesWithThePlainScanOnManyNearTies) {
  // Points around the query, a few ulps apart in their cosines, in shuffled order: the best
  // is improved many times and ties abound.
  std::mt19937_64 g(11);
  for (int world = 0; world < 200; ++world) {
    Scene s;
    const std::size_t n = 1 + g() % 300;
    for (std::size_t i = 0; i < n; ++i) {
      const double e = std::ldexp(static_cast<double>(g() % 64), -30 - static_cast<int>(g() % 4));
      s.add(HomVec4::init(1, e, (g() % 2 == 0) ? 0 : e, 0), g() % 7 == 0 ? EntityState::inactive : EntityState::active);
    }
    ASSERT_TRUE(s.agreesWithThePlainScan(HomVec4::init(1, 0, 0, 0))) << "world " << world;
    ASSERT_TRUE(s.agreesWithThePlainScan(HomVec4::init(-3, 0, 0, 0))) << "world " << world;
    ASSERT_TRUE(s.agreesWithThePlainScan(HomVec4::init(1, 1e-9, 0, 0))) << "world " << world;
  }
}

}  // namespace
}  // namespace orvek_ecs
