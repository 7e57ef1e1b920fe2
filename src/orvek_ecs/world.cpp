#include "orvek_ecs/world.hpp"

#include <numbers>

#include "orvek_ecs/checked.hpp"
#include "orvek_kernel/fs_metric.hpp"

namespace orvek_ecs {

Result<EntityId> World::createEntity(std::string_view name) noexcept {
  // The number is taken before the entity is stored: a failed creation leaves a gap.
  const std::uint64_t id = next_id_;
  next_id_ = checkedAdd(next_id_, std::uint64_t{1});
  Entity entity = Entity::init(id, name);
  entity.activate();
  if (!entities_.append(entity)) return Error::OutOfMemory;
  return EntityId::init(id);
}

Entity* World::getEntity(EntityId id) noexcept {
  for (Entity& entity : entities_.items()) {
    if (entity.id == id) return &entity;
  }
  return nullptr;
}

const Entity* World::getEntity(EntityId id) const noexcept {
  for (const Entity& entity : entities_.items()) {
    if (entity.id == id) return &entity;
  }
  return nullptr;
}

std::optional<EntityId> World::findNearest(orvek_kernel::HomVec4 position) const noexcept {
  // Every distance lies in [0, π/2], below the start value, so the first active entity is
  // always taken; the strict comparison keeps the oldest of equally near entities.
  std::optional<EntityId> best;
  double best_distance = std::numbers::pi;
  for (const Entity& entity : entities_.items()) {
    if (!entity.isActive()) continue;
    const double d = orvek_kernel::fsDistance(position, entity.position);
    if (d < best_distance) {
      best_distance = d;
      best = entity.id;
    }
  }
  return best;
}

std::uint32_t World::activeCount() const noexcept {
  std::uint32_t count = 0;
  for (const Entity& entity : entities_.items()) {
    if (entity.isActive()) checkedIncrement(count);
  }
  return count;
}

}  // namespace orvek_ecs
