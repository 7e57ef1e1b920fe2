// Allocation-failure sweep: a World scenario rerun once for every allocation request it
// makes, with that request refused (or, in one mode, that one and all after it). Every run
// must keep its entities exactly as a model says, return OutOfMemory only from the
// creation whose storage was refused, hand out the next identifier after the lost one, and
// leave nothing allocated after deinit.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bit_equal.hpp"
#include "orvek_ecs/world.hpp"
#include "orvek_kernel/transforms.hpp"
#include "test_allocator.hpp"

namespace orvek_ecs {
namespace {

using orvek_ecs::testing::TestAllocator;
using orvek_kernel::HomVec4;
using orvek_kernel::testing::sameBits;

// Which requests count as failure points, and what a refusal covers.
enum class Refusal {
  allocation,            // the k-th allocate call fails; resize is never granted
  request,               // the k-th allocate or resize call fails; resize may be granted
  allocationsFromNowOn,  // the k-th allocate call and every later one fail
};

// Forwards to a TestAllocator and refuses requests by number (counted from 1).
class RefusingAllocator final : public Allocator {
 public:
  RefusingAllocator(TestAllocator& inner, Refusal refusal, std::size_t refused)
      : inner_(inner), refusal_(refusal), refused_(refused) {
    inner_.allowResize(refusal == Refusal::request);
  }

  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override {
    if (refuseNext()) return nullptr;
    return inner_.allocate(bytes, alignment);
  }

  bool resize(void* block, std::size_t old_bytes, std::size_t new_bytes, std::size_t alignment) noexcept override {
    // Resizes are failure points only when they can be granted at all.
    if (refusal_ == Refusal::request && refuseNext()) return false;
    return inner_.resize(block, old_bytes, new_bytes, alignment);
  }

  void deallocate(void* block, std::size_t bytes, std::size_t alignment) noexcept override {
    inner_.deallocate(block, bytes, alignment);
  }

  std::size_t requests() const { return requests_; }
  std::size_t refusals() const { return refusals_; }

 private:
  bool refuseNext() {
    ++requests_;
    // refused_ == 0 refuses nothing: the clean run that counts the failure points.
    const bool refuse =
        refused_ != 0 && (refusal_ == Refusal::allocationsFromNowOn ? requests_ >= refused_ : requests_ == refused_);
    if (refuse) ++refusals_;
    return refuse;
  }

  TestAllocator& inner_;
  Refusal refusal_;
  std::size_t refused_;
  std::size_t requests_ = 0;
  std::size_t refusals_ = 0;
};

constexpr std::size_t kCreations = 70;  // capacities 4, 8, 16, 32, 64, 128: six growths
constexpr std::string_view kNames[] = {"player", "rock", "", "tree"};

::testing::AssertionResult sameEntities(std::span<const Entity> stored, const std::vector<Entity>& model) {
  if (stored.size() != model.size()) {
    return ::testing::AssertionFailure() << stored.size() << " entities stored, " << model.size() << " expected";
  }
  for (std::size_t i = 0; i < model.size(); ++i) {
    const Entity& a = stored[i];
    const Entity& b = model[i];
    const bool same = a.id == b.id && a.name.data() == b.name.data() && a.name.size() == b.name.size() &&
                      a.version == b.version && a.state == b.state && a.parent_id == b.parent_id &&
                      sameBits(a.position, b.position) && sameBits(a.world_transform, b.world_transform);
    if (!same) return ::testing::AssertionFailure() << "entity " << i << " (id " << b.id.id << ") differs";
  }
  return ::testing::AssertionSuccess();
}

// What one run of the scenario saw.
struct Outcome {
  std::size_t requests = 0;
  std::vector<std::size_t> failed;  // creation indices that returned OutOfMemory
};

// Creates kCreations entities, moving, deactivating and transforming some of them through
// the references getEntity returns, and checks the world against a model after every step.
Outcome runScenario(Refusal refusal, std::size_t refused) {
  TestAllocator heap;
  RefusingAllocator allocator(heap, refusal, refused);
  Outcome outcome;
  {
    World world = World::init(allocator);
    std::vector<Entity> model;
    for (std::size_t n = 0; n < kCreations; ++n) {
      const std::string_view name = kNames[n % std::size(kNames)];
      const Result<EntityId> id = world.createEntity(name);
      EXPECT_EQ(world.nextId(), n + 2) << "every creation uses up one identifier";
      if (!id) {
        EXPECT_EQ(id.error(), Error::OutOfMemory);
        outcome.failed.push_back(n);
      } else {
        // Identifiers count creations, lost ones included: the one after a loss is lost + 1.
        EXPECT_EQ(id->id, n + 1);
        Entity expected = Entity::init(n + 1, name);
        expected.activate();
        model.push_back(expected);

        Entity* stored = world.getEntity(*id);
        EXPECT_NE(stored, nullptr);
        if (stored == nullptr) break;
        const auto k = static_cast<double>(n);
        const HomVec4 pos = HomVec4::init(k, 1.0 / (k + 1.0), -k, 0.5);
        stored->setPosition(pos);
        model.back().setPosition(pos);
        if (n % 3 == 0) {
          stored->deactivate();
          model.back().deactivate();
        }
        if (n % 5 == 0) {
          stored->setWorldTransform(orvek_kernel::pglTranslate(k, -k, 1.0));
          model.back().setWorldTransform(orvek_kernel::pglTranslate(k, -k, 1.0));
        }
      }
      EXPECT_TRUE(sameEntities(world.entities(), model)) << "after creation " << n;
    }
    EXPECT_EQ(world.findNearest(HomVec4::init(1.0, 0.5, -1.0, 0.5)).has_value(), !model.empty());
    world.deinit();
    EXPECT_EQ(heap.liveBlocks(), 0u) << "deinit leaves nothing allocated";
  }
  EXPECT_EQ(heap.liveBlocks(), 0u);
  EXPECT_TRUE(heap.errors().empty()) << heap.errors().front();
  outcome.requests = allocator.requests();
  return outcome;
}

struct SweepCase {
  const char* name;
  Refusal refusal;
};

class AllocationFailureSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(AllocationFailureSweep, EveryFailurePointKeepsTheEntitiesAndLeaksNothing) {
  const Refusal refusal = GetParam().refusal;
  // A run with nothing refused counts the failure points.
  const Outcome clean = runScenario(refusal, 0);
  ASSERT_TRUE(clean.failed.empty());
  ASSERT_GE(clean.requests, 6u) << "the scenario must grow its array several times";

  std::size_t runs_with_a_loss = 0;
  for (std::size_t k = 1; k <= clean.requests; ++k) {
    SCOPED_TRACE("request " + std::to_string(k) + " refused");
    const Outcome run = runScenario(refusal, k);
    if (refusal != Refusal::allocationsFromNowOn) {
      // One refusal costs at most one creation; a refused resize falls back to a new block.
      EXPECT_LE(run.failed.size(), 1u);
    }
    if (refusal == Refusal::allocation) {
      EXPECT_EQ(run.failed.size(), 1u) << "every allocation is a creation's growth";
    }
    if (!run.failed.empty()) ++runs_with_a_loss;
    if (::testing::Test::HasFailure()) break;  // one failing point is enough to read
  }
  EXPECT_GT(runs_with_a_loss, 0u);
  RecordProperty("failure_points", std::to_string(clean.requests));
  std::printf("[ sweep    ] %s: %zu failure points tried, %zu runs lost a creation\n", GetParam().name, clean.requests,
              runs_with_a_loss);
}

INSTANTIATE_TEST_SUITE_P(World, AllocationFailureSweep,
                         ::testing::Values(SweepCase{"allocation", Refusal::allocation},
                                           SweepCase{"request", Refusal::request},
                                           SweepCase{"allocationsFromNowOn", Refusal::allocationsFromNowOn}),
                         [](const ::testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvek_ecs
