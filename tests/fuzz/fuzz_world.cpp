// fuzz_world: decodes the fuzzer's bytes into a sequence of World operations, some of them
// creations whose allocation is refused, and checks after every step that the world
// agrees with a model kept beside it.
//
// The model is a plain list of `Entity` values that receives the same calls. Checked after
// every operation: the stored entities equal the model field by field and bit for bit (so
// nothing stored is lost or changed, by a refused allocation or otherwise), identifiers are
// strictly increasing, below the next identifier and never handed out twice, versions never
// decrease, findNearest equals a brute-force scan, activeCount equals a recount. After
// deinit nothing is left allocated and every block came back as it was handed out.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "fuzz_input.hpp"
#include "orvek_ecs/orvek_ecs.hpp"
#include "orvek_kernel/fs_metric.hpp"
#include "test_allocator.hpp"

namespace {

using orvek_ecs::Entity;
using orvek_ecs::EntityId;
using orvek_ecs::World;
using orvek_ecs::testing::TestAllocator;
using orvek_fuzz::require;
using orvek_fuzz::sameBits;
using orvek_kernel::HomVec4;

constexpr std::string_view kNames[] = {"player", "", "rock", "player", "a much longer name than the others"};
constexpr std::size_t kMaxCreations = 300;
constexpr std::size_t kMaxOperations = 1000;

bool sameEntity(const Entity& a, const Entity& b) {
  bool same = a.id == b.id && a.name.data() == b.name.data() && a.name.size() == b.name.size() &&
              a.parent_id == b.parent_id && a.version == b.version && a.state == b.state &&
              sameBits(a.position.x, b.position.x) && sameBits(a.position.y, b.position.y) &&
              sameBits(a.position.z, b.position.z) && sameBits(a.position.w, b.position.w);
  for (std::size_t i = 0; i < 16; ++i) same = same && sameBits(a.world_transform.data[i], b.world_transform.data[i]);
  return same;
}

class Run {
 public:
  explicit Run(orvek_fuzz::Input& in) : in_(in), world_(World::init(heap_)) {}

  void operate() {
    std::size_t operations = 0;
    while (!in_.exhausted() && operations++ < kMaxOperations) {
      step();
      checkAgreement();
    }
    world_.deinit();
    require(heap_.liveBlocks() == 0 && heap_.liveBytes() == 0, "deinit returns every block");
    require(heap_.errors().empty(), "every block is returned with the size and alignment it was handed out with");
  }

 private:
  void step() {
    const std::uint8_t op = in_.u8();
    switch (op % 9) {
      case 0:
      case 1: create(op); break;
      case 2: onEntity([&](Entity& e) { e.setPosition(position_); }, /*new_position=*/true); break;
      case 3: onEntity([](Entity& e) { e.activate(); }); break;
      case 4: onEntity([](Entity& e) { e.deactivate(); }); break;
      case 5: {
        const orvek_kernel::PGL4 m = in_.mat();
        onEntity([&](Entity& e) { e.setWorldTransform(m); });
        break;
      }
      case 6: nearest(); break;
      case 7: lookUp(); break;
      default: require(world_.activeCount() == recount(), "activeCount equals a recount"); break;
    }
  }

  // A creation; the op byte's bits say whether allocations are refused during it and
  // whether the allocator may grow blocks in place.
  void create(std::uint8_t op) {
    if (model_.size() >= kMaxCreations) return;
    const std::string_view name = kNames[in_.u8() % std::size(kNames)];
    const bool refuse = (op & 0x10) != 0;
    heap_.allowResize((op & 0x20) != 0);
    if (refuse) heap_.allowAllocations(0);
    const orvek_ecs::Result<EntityId> id = world_.createEntity(name);
    heap_.allowAllAllocations();

    const std::uint64_t expected = next_id_++;
    require(world_.nextId() == next_id_, "every creation uses up exactly one identifier");
    if (!id) {
      require(refuse, "createEntity fails only when the allocator refuses");
      require(id.error() == orvek_ecs::Error::OutOfMemory, "a refused allocation is OutOfMemory");
      return;
    }
    require(id->id == expected, "createEntity hands out the next identifier, after any lost one");
    Entity entity = Entity::init(expected, name);
    entity.activate();
    model_.push_back(entity);
    versions_.push_back(entity.version);
  }

  // Applies `change` to one stored entity, through the reference getEntity returns, and to
  // its model. A new position is decoded whether or not there is an entity.
  template <typename Change>
  void onEntity(Change change, bool new_position = false) {
    if (new_position) position_ = in_.vec();
    const std::uint8_t pick = in_.u8();
    if (model_.empty()) return;
    Entity& model = model_[pick % model_.size()];
    Entity* stored = world_.getEntity(model.id);
    require(stored != nullptr, "getEntity finds every stored entity");
    change(*stored);
    change(model);
  }

  // findNearest against a scan written the other way round: the smallest distance first,
  // then the oldest active entity at that distance.
  void nearest() {
    const HomVec4 query = in_.vec();
    double smallest = std::numeric_limits<double>::infinity();
    for (const Entity& e : model_) {
      if (e.isActive()) smallest = std::fmin(smallest, orvek_kernel::fsDistance(query, e.position));
    }
    std::optional<EntityId> expected;
    for (const Entity& e : model_) {
      if (e.isActive() && orvek_kernel::fsDistance(query, e.position) == smallest) {
        expected = e.id;
        break;
      }
    }
    require(world_.findNearest(query) == expected, "findNearest equals a brute-force scan");
  }

  // getEntity of any number, stored or not.
  void lookUp() {
    const std::uint64_t number = in_.u64() % (next_id_ + 2);
    const Entity* found = world_.getEntity(EntityId::init(number));
    const Entity* expected = nullptr;
    for (const Entity& e : model_) {
      if (e.id.id == number) expected = &e;
    }
    require((found == nullptr) == (expected == nullptr), "getEntity finds exactly the stored identifiers");
    if (found != nullptr) require(sameEntity(*found, *expected), "getEntity returns the stored entity");
  }

  std::uint32_t recount() const {
    std::uint32_t n = 0;
    for (const Entity& e : model_) n += e.isActive() ? 1 : 0;
    return n;
  }

  void checkAgreement() {
    const auto stored = world_.entities();
    require(stored.size() == model_.size(), "nothing stored is lost and nothing appears");
    for (std::size_t i = 0; i < stored.size(); ++i) {
      require(sameEntity(stored[i], model_[i]), "every stored entity equals its model");
      require(stored[i].id.id >= 1 && stored[i].id.id < world_.nextId(), "stored identifiers lie in [1, next_id)");
      if (i > 0) require(stored[i - 1].id.id < stored[i].id.id, "stored identifiers are strictly increasing");
      require(stored[i].version >= versions_[i], "versions never decrease");
      versions_[i] = stored[i].version;
    }
  }

  orvek_fuzz::Input& in_;
  TestAllocator heap_;
  World world_;
  std::vector<Entity> model_;
  std::vector<std::uint64_t> versions_;
  std::uint64_t next_id_ = 1;
  HomVec4 position_ = HomVec4::zero();
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvek_fuzz::Input in(data, size);
  Run run(in);
  run.operate();
  return 0;
}
