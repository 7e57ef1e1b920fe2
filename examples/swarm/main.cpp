// A swarm of entities on S³, turned every tick by one PGL4 transform.
//
// The transform is the composition of pglRotateZ(θ) (the x–y plane) with the same turn of
// the z–w plane, built row by row. Turning both planes by θ moves every unit vector of R⁴
// by exactly θ, so each move is θ in Fubini–Study distance and the accumulated distance is
// known in advance: the program checks it, with the rest of what it prints, and exits 1
// when a check fails. Everything it computes is deterministic and printed to stdout.
//
// Along the way it shows the habits the library asks for: the world's memory comes from
// an allocator the program supplies (and the program checks that deinit returned all of
// it), entity names are borrowed (string literals here), pointers from getEntity are taken
// after the last createEntity, and events are built and dispatched by the caller.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <optional>
#include <string_view>

#include "orvek_ecs/orvek_ecs.hpp"
#include "orvek_kernel/orvek_kernel.hpp"

namespace {

using orvek_ecs::Entity;
using orvek_ecs::EntityId;
using orvek_ecs::PositionChangedEvent;
using orvek_ecs::World;
using orvek_kernel::HomVec4;
using orvek_kernel::PGL4;

constexpr int kTicks = 12;
constexpr int kStragglerTick = 4;                  // a new entity joins before this tick's moves
constexpr int kRetireTick = 8;                     // one entity is deactivated before this tick's moves
constexpr double kTurn = std::numbers::pi / 60.0;  // 3 degrees per tick

// Names are borrowed by the world: string literals outlive it.
constexpr std::array<const char*, 8> kBoidNames = {"boid-0", "boid-1", "boid-2", "boid-3",
                                                   "boid-4", "boid-5", "boid-6", "boid-7"};
constexpr const char* kStragglerName = "straggler";

// Hands out heap blocks and keeps count, so the program can see that deinit returned them.
// It never grows a block in place, so the world moves into a new block every time it grows
// and the count does not depend on the heap.
class CountingAllocator final : public orvek_ecs::Allocator {
 public:
  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override {
    void* block = orvek_ecs::heapAllocator().allocate(bytes, alignment);
    if (block != nullptr) {
      ++blocks_taken_;
      ++live_blocks_;
    }
    return block;
  }

  bool resize(void*, std::size_t, std::size_t, std::size_t) noexcept override { return false; }

  void deallocate(void* block, std::size_t bytes, std::size_t alignment) noexcept override {
    orvek_ecs::heapAllocator().deallocate(block, bytes, alignment);
    --live_blocks_;
  }

  std::size_t blocksTaken() const noexcept { return blocks_taken_; }
  std::size_t liveBlocks() const noexcept { return live_blocks_; }

 private:
  std::size_t blocks_taken_ = 0;
  std::size_t live_blocks_ = 0;
};

// A bus handler is a plain function that receives only the event, so what it accumulates
// lives at namespace scope.
struct MoveTotals {
  std::uint64_t moves = 0;
  double distance = 0.0;
  double largest = 0.0;
};
MoveTotals g_totals;

void accumulateMove(PositionChangedEvent event) {
  ++g_totals.moves;
  g_totals.distance = g_totals.distance + event.fs_distance_moved;
  if (event.fs_distance_moved > g_totals.largest) g_totals.largest = event.fs_distance_moved;
}

// Turns the x–y plane and the z–w plane by the same angle.
PGL4 swarmStep(double angle) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const PGL4 turn_zw = PGL4::fromRowMajor({{{1.0, 0.0, 0.0, 0.0},  //
                                            {0.0, 1.0, 0.0, 0.0},  //
                                            {0.0, 0.0, c, -s},     //
                                            {0.0, 0.0, s, c}}});
  // b acts first in mul(a, b): the z–w turn, then the x–y turn.
  return PGL4::mul(orvek_kernel::pglRotateZ(angle), turn_zw);
}

// A starting point for boid i, spread over S³ (setPosition normalises it).
HomVec4 startingPoint(std::size_t i) {
  const double a = 0.7 * static_cast<double>(i);
  const double b = 1.3 * static_cast<double>(i) + 0.4;
  return HomVec4::init(std::cos(a), std::sin(a), 0.5 * std::cos(b), 0.5 * std::sin(b));
}

std::string_view nameOf(const World& world, EntityId id) {
  const Entity* entity = world.getEntity(id);
  return entity != nullptr ? entity->name : std::string_view("?");
}

// A name as printf's "%.*s" takes it: names are byte strings, not terminated strings.
int width(std::string_view name) { return static_cast<int>(name.size()); }

int failed(const char* what) {
  std::fprintf(stderr, "swarm: check failed: %s\n", what);
  return 1;
}

}  // namespace

int main() {
  CountingAllocator allocator;
  World world = World::init(allocator);
  world.position_bus.setHandler(&accumulateMove);

  std::array<EntityId, kBoidNames.size() + 1> ids{};
  std::size_t count = 0;
  for (const char* name : kBoidNames) {
    const orvek_ecs::Result<EntityId> created = world.createEntity(name);
    if (!created) return failed("createEntity ran out of memory");
    ids[count++] = *created;
  }
  // Placing the boids after the last creation: a pointer from getEntity dies at createEntity.
  for (std::size_t i = 0; i < count; ++i) world.getEntity(ids[i])->setPosition(startingPoint(i));

  const PGL4 step = swarmStep(kTurn);
  const HomVec4 beacon = HomVec4::fromCartesian(1.0, 0.0, 0.0);
  std::printf("swarm: %zu boids, %d ticks, turn %.9f rad per tick, det(step) = %.9f\n", count, kTicks, kTurn,
              step.det());

  for (int tick = 1; tick <= kTicks; ++tick) {
    if (tick == kStragglerTick) {
      const orvek_ecs::Result<EntityId> created = world.createEntity(kStragglerName);
      if (!created) return failed("createEntity ran out of memory");
      ids[count++] = *created;
      world.getEntity(*created)->setPosition(HomVec4::init(0.0, 0.0, 1.0, 1.0));
      std::printf("tick %2d: %s joins as id %llu\n", tick, kStragglerName,
                  static_cast<unsigned long long>(created->id));
    }
    if (tick == kRetireTick) {
      world.getEntity(ids[2])->deactivate();
      const std::string_view retired = nameOf(world, ids[2]);
      std::printf("tick %2d: %.*s retires\n", tick, width(retired), retired.data());
    }

    for (std::size_t i = 0; i < count; ++i) {
      Entity* entity = world.getEntity(ids[i]);
      if (!entity->isActive()) continue;
      const HomVec4 old_position = entity->position;
      entity->setPosition(step.apply(old_position));
      world.position_bus.dispatch(PositionChangedEvent{entity->id, old_position, entity->position,
                                                       orvek_kernel::fsDistance(old_position, entity->position)});
    }

    const std::optional<EntityId> nearest = world.findNearest(beacon);
    if (!nearest) return failed("findNearest found no active entity");
    const double distance = orvek_kernel::fsDistance(beacon, world.getEntity(*nearest)->position);
    const std::string_view name = nameOf(world, *nearest);
    std::printf("tick %2d: %u active, nearest to the beacon %-9.*s (id %llu) at %.9f rad\n", tick, world.activeCount(),
                width(name), name.data(), static_cast<unsigned long long>(nearest->id), distance);
  }

  // Checks: the distance each move covered is known, the positions stayed on S³, and the
  // versions count one creation, one placement and one move per tick spent active.
  const std::uint64_t expected_moves = static_cast<std::uint64_t>(kBoidNames.size()) * kTicks  //
                                       + (kTicks - kStragglerTick + 1)                         // the straggler
                                       - (kTicks - kRetireTick + 1);                           // the retired boid
  if (g_totals.moves != expected_moves) return failed("number of position events");
  if (std::fabs(g_totals.distance - static_cast<double>(expected_moves) * kTurn) > 1e-9) {
    return failed("accumulated Fubini-Study distance");
  }
  if (std::fabs(g_totals.largest - kTurn) > 1e-12) return failed("largest single move");
  std::uint64_t version_sum = 0;
  for (const Entity& entity : world.entities()) {
    if (std::fabs(entity.position.norm() - 1.0) > 1e-12) return failed("a position left S³");
    version_sum += entity.version;
  }
  // Per entity: activation and placement (2), plus its moves; the retired one also counts
  // its deactivation.
  if (version_sum != 2 * count + expected_moves + 1) return failed("entity versions");

  std::printf("summary: %llu position events, %.9f rad in total, %.9f rad per move (turn %.9f)\n",
              static_cast<unsigned long long>(g_totals.moves), g_totals.distance,
              g_totals.distance / static_cast<double>(g_totals.moves), kTurn);
  std::printf("summary: %zu entities, %u active, next id %llu\n", world.entities().size(), world.activeCount(),
              static_cast<unsigned long long>(world.nextId()));

  world.deinit();
  if (allocator.liveBlocks() != 0) return failed("deinit left memory allocated");
  std::printf("summary: the world took %zu blocks from its allocator and returned all of them\n",
              allocator.blocksTaken());
  std::printf("swarm: ok\n");
  return 0;
}
