#include "orvek_ecs/cases/ecs_cases.hpp"

#include <array>
#include <string_view>

#include "orvek_ecs/orvek_ecs.hpp"
#include "orvek_kernel/orvek_kernel.hpp"
#include "verify/case_allocator.hpp"

namespace orvek_ecs::cases {
namespace {

using orvek_kernel::HomVec4;
using orvek_verify::CaseError;
using orvek_verify::CaseResult;
using orvek_verify::expect;
using orvek_verify::expectApproxEqAbs;

// Creates an entity named `name` in `world` into `id`; fails the case with "OutOfMemory"
// when the world cannot store it.
CaseResult create(World& world, std::string_view name, EntityId& id,
                  orvek_verify::SourceLocation where = orvek_verify::SourceLocation::current()) {
  const Result<EntityId> created = world.createEntity(name);
  if (!created) return CaseResult::fail(CaseError::OutOfMemory, where);
  id = *created;
  return CaseResult::pass();
}

CaseResult entityCreationAndLifecycle() {
  Entity e = Entity::init(1, "test_entity");
  ORVEK_TRY(expect(e.state == EntityState::init));
  ORVEK_TRY(expect(!e.isActive()));
  e.activate();
  ORVEK_TRY(expect(e.isActive()));
  ORVEK_TRY(expect(e.state == EntityState::active));
  e.deactivate();
  ORVEK_TRY(expect(e.state == EntityState::deactivating));
  return CaseResult::pass();
}

CaseResult entityPosition() {
  Entity e = Entity::init(1, "point");
  e.setPosition(HomVec4::fromCartesian(3, 4, 0));
  ORVEK_TRY(expectApproxEqAbs(1.0, e.position.norm(), 1e-10));
  return CaseResult::pass();
}

CaseResult entityFsDistance() {
  Entity a = Entity::init(1, "a");
  Entity b = Entity::init(2, "b");
  a.setPosition(HomVec4::init(1, 0, 0, 0));
  b.setPosition(HomVec4::init(0, 1, 0, 0));
  ORVEK_TRY(expectApproxEqAbs(1.5707963267948966, a.distanceTo(b), 1e-10));
  return CaseResult::pass();
}

CaseResult entityIdValidity() {
  ORVEK_TRY(expect(EntityId::init(42).isValid()));
  ORVEK_TRY(expect(!EntityId::invalid().isValid()));
  return CaseResult::pass();
}

CaseResult componentLifecycle() {
  Component c = Component::init(ComponentTypeId::fromId(1), EntityId::init(1), "transform");
  ORVEK_TRY(expect(!c.isActive()));
  c.activate();
  ORVEK_TRY(expect(c.isActive()));
  c.deactivate();
  ORVEK_TRY(expect(!c.isActive()));
  ORVEK_TRY(expect(c.state == ComponentState::inactive));
  return CaseResult::pass();
}

CaseResult worldCreateAndFind() {
  World world = World::init(orvek_verify::caseAllocator());
  EntityId player{};
  ORVEK_TRY(create(world, "player", player));
  ORVEK_TRY(expect(player.isValid()));
  const Entity* found = world.getEntity(player);
  ORVEK_TRY(expect(found != nullptr && found->isActive()));
  world.deinit();
  return CaseResult::pass();
}

CaseResult worldFindNearest() {
  World world = World::init(orvek_verify::caseAllocator());
  EntityId near{};
  EntityId far{};
  ORVEK_TRY(create(world, "near", near));
  ORVEK_TRY(create(world, "far", far));
  // Both are created before either pointer is taken: creation may move the storage.
  Entity* near_entity = world.getEntity(near);
  Entity* far_entity = world.getEntity(far);
  if (near_entity == nullptr || far_entity == nullptr) {
    return CaseResult::fail(orvek_verify::CaseError::TestUnexpectedResult);
  }
  near_entity->setPosition(HomVec4::init(1, 0, 0, 0));
  far_entity->setPosition(HomVec4::init(0, 1, 0, 0));
  const std::optional<EntityId> nearest = world.findNearest(HomVec4::init(0.9, 0.1, 0, 0));
  ORVEK_TRY(expect(nearest.has_value()));
  ORVEK_TRY(expect(*nearest == near));
  world.deinit();
  return CaseResult::pass();
}

CaseResult worldActiveCount() {
  World world = World::init(orvek_verify::caseAllocator());
  EntityId id{};
  ORVEK_TRY(create(world, "a", id));
  ORVEK_TRY(create(world, "b", id));
  ORVEK_TRY(create(world, "c", id));
  ORVEK_TRY(expect(world.activeCount() == 3));
  world.deinit();
  return CaseResult::pass();
}

void ignorePosition(PositionChangedEvent) {}

CaseResult eventBusDispatch() {
  EventBus<PositionChangedEvent> bus = EventBus<PositionChangedEvent>::init();
  bus.setHandler(&ignorePosition);
  bus.dispatch(PositionChangedEvent{EntityId::init(1), HomVec4::zero(), HomVec4::zero(), 0.0});
  return CaseResult::pass();
}

CaseResult entityVersionTracking() {
  Entity e = Entity::init(1, "tracked");
  const std::uint64_t before = e.version;
  e.setPosition(HomVec4::init(1, 0, 0, 0));
  ORVEK_TRY(expect(e.version > before));
  return CaseResult::pass();
}

CaseResult entityWorldTransform() {
  Entity e = Entity::init(1, "transformed");
  e.setWorldTransform(orvek_kernel::pglTranslate(1, 2, 3));
  ORVEK_TRY(expectApproxEqAbs(1.0, e.world_transform.get(0, 3), 1e-10));
  return CaseResult::pass();
}

constexpr std::array kCases{
    orvek_verify::Case{"orvek_ecs.test.ECS: Entity creation and lifecycle", &entityCreationAndLifecycle},
    orvek_verify::Case{"orvek_ecs.test.ECS: Entity position in P³", &entityPosition},
    orvek_verify::Case{"orvek_ecs.test.ECS: Entity FS distance", &entityFsDistance},
    orvek_verify::Case{"orvek_ecs.test.ECS: EntityId validity", &entityIdValidity},
    orvek_verify::Case{"orvek_ecs.test.ECS: Component lifecycle", &componentLifecycle},
    orvek_verify::Case{"orvek_ecs.test.ECS: World create and find", &worldCreateAndFind},
    orvek_verify::Case{"orvek_ecs.test.ECS: World findNearest", &worldFindNearest},
    orvek_verify::Case{"orvek_ecs.test.ECS: World active count", &worldActiveCount},
    orvek_verify::Case{"orvek_ecs.test.ECS: EventBus dispatch", &eventBusDispatch},
    orvek_verify::Case{"orvek_ecs.test.ECS: Entity version tracking", &entityVersionTracking},
    orvek_verify::Case{"orvek_ecs.test.ECS: Entity world transform PGL4", &entityWorldTransform},
};

}  // namespace

std::span<const orvek_verify::Case> ecsCases() noexcept { return kCases; }

}  // namespace orvek_ecs::cases
