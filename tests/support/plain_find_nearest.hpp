#pragma once
// The nearest-entity query as plainly written: fsDistance, with its arccosine, for every active
// entity, keeping a strictly smaller distance. The reference the fast World::findNearest is
// compared with (tests) and measured against (benchmarks).

#include <numbers>
#include <optional>
#include <span>

#include "orvek_ecs/entity.hpp"
#include "orvek_kernel/fs_metric.hpp"

namespace orvek_support {

inline std::optional<orvek_ecs::EntityId> plainFindNearest(std::span<const orvek_ecs::Entity> entities,
                                                           orvek_kernel::HomVec4 position) {
  std::optional<orvek_ecs::EntityId> best;
  double best_distance = std::numbers::pi;
  for (const orvek_ecs::Entity& entity : entities) {
    if (!entity.isActive()) continue;
    const double d = orvek_kernel::fsDistance(position, entity.position);
    if (d < best_distance) {
      best_distance = d;
      best = entity.id;
    }
  }
  return best;
}

}  // namespace orvek_support
