// orvek_ecs: creating entities against std::vector::push_back of the same record, and the
// nearest-entity query against the plain arccosine-per-entity scan and a pass that only
// reads the bytes the query reads.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "orvek_ecs/allocator.hpp"
#include "orvek_ecs/world.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "plain_find_nearest.hpp"

namespace orvek_bench {
namespace {

using orvek_ecs::Entity;
using orvek_ecs::EntityId;
using orvek_ecs::World;
using orvek_kernel::HomVec4;

constexpr std::string_view kName = "entity";

// ---- creation ----

// glibc's malloc adapts its thresholds to what it has seen: after the first free of a block
// it had mapped on its own, it keeps blocks up to that size in its heap and stops returning
// heap memory to the system as eagerly. Both creation benchmarks start from that adapted
// state, the best one for std::vector, instead of whatever the benchmarks before left.
void adaptMalloc() {
  static const bool adapted = [] {
    void* block = std::malloc(std::size_t{16} << 20);
    benchmark::DoNotOptimize(block);
    std::free(block);
    return true;
  }();
  benchmark::DoNotOptimize(adapted);
}

void createEntity(benchmark::State& state) {
  adaptMalloc();
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    World world = World::init(orvek_ecs::heapAllocator());
    for (std::size_t i = 0; i < n; ++i) {
      auto id = world.createEntity(kName);
      benchmark::DoNotOptimize(id);
    }
    benchmark::ClobberMemory();
    world.deinit();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// The same record as createEntity stores: a new entity, activated, appended at the end.
void vectorPushBack(benchmark::State& state) {
  adaptMalloc();
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    std::vector<Entity> entities;
    for (std::size_t i = 0; i < n; ++i) {
      Entity entity = Entity::init(i + 1, kName);
      entity.activate();
      entities.push_back(entity);
      benchmark::DoNotOptimize(entities.data());
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(createEntity)->Name("createEntity/orvek")->Arg(1 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(vectorPushBack)->Name("createEntity/vector")->Arg(1 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

// ---- nearest entity ----

constexpr std::size_t kQueries = 64;

// A world of n active entities at pseudo-random points of S³, and query points.
struct Scene {
  std::unique_ptr<World> world;
  std::vector<HomVec4> queries;
};

const Scene& scene(std::size_t n) {
  static std::map<std::size_t, Scene> scenes;
  auto it = scenes.find(n);
  if (it != scenes.end()) return it->second;
  std::mt19937_64 g(n);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Scene s{std::make_unique<World>(World::init(orvek_ecs::heapAllocator())), {}};
  for (std::size_t i = 0; i < n; ++i) (void)s.world->createEntity(kName).value();
  // getEntity scans from the oldest entity; going through the array directly keeps the setup
  // linear. The world's storage is not const, only the view of it is.
  for (const Entity& entity : s.world->entities()) {
    const_cast<Entity&>(entity).setPosition(HomVec4::init(u(g), u(g), u(g), u(g)));
  }
  for (std::size_t i = 0; i < kQueries; ++i) s.queries.push_back(HomVec4::init(u(g), u(g), u(g), u(g)));
  return scenes.emplace(n, std::move(s)).first->second;
}

using orvek_support::plainFindNearest;

// Reads what the query reads of every entity (its position and its state) and nothing else.
std::uint64_t readOnlyPass(std::span<const Entity> entities) {
  std::uint64_t acc = 0;
  for (const Entity& entity : entities) {
    const HomVec4 p = entity.position;
    acc ^= std::bit_cast<std::uint64_t>(p.x) ^ std::bit_cast<std::uint64_t>(p.y) ^ std::bit_cast<std::uint64_t>(p.z) ^
           std::bit_cast<std::uint64_t>(p.w) ^ static_cast<std::uint64_t>(entity.state);
  }
  return acc;
}

void findNearest(benchmark::State& state) {
  const Scene& s = scene(static_cast<std::size_t>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    auto r = s.world->findNearest(s.queries[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) % kQueries;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void plainScan(benchmark::State& state) {
  const Scene& s = scene(static_cast<std::size_t>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    auto r = plainFindNearest(s.world->entities(), s.queries[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) % kQueries;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void readOnly(benchmark::State& state) {
  const Scene& s = scene(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto r = readOnlyPass(s.world->entities());
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

#define ORVEK_NEAREST_SIZES \
  ->Arg(1 << 10)->Arg(1 << 12)->Arg(1 << 14)->Arg(1 << 16)->Arg(1 << 18)->Arg(1 << 20)->Unit(benchmark::kMicrosecond)
BENCHMARK(findNearest)->Name("findNearest/orvek") ORVEK_NEAREST_SIZES;
BENCHMARK(plainScan)->Name("findNearest/plain") ORVEK_NEAREST_SIZES;
BENCHMARK(readOnly)->Name("findNearest/readonly") ORVEK_NEAREST_SIZES;

}  // namespace
}  // namespace orvek_bench
