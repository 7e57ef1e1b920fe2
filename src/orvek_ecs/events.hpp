#pragma once
/// The event records carried by a world's buses.

#include "orvek_ecs/entity_id.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_ecs {

/// An entity moved. Whoever builds the event fills every field; nothing computes them.
struct PositionChangedEvent {
  EntityId entity_id;
  orvek_kernel::HomVec4 old_position;
  orvek_kernel::HomVec4 new_position;
  double fs_distance_moved;  ///< Fubini–Study distance between the two positions, in radians
};

/// An entity's world transform changed. Whoever builds the event fills every field.
struct TransformChangedEvent {
  EntityId entity_id;
  orvek_kernel::PGL4 old_transform;
  orvek_kernel::PGL4 new_transform;
};

}  // namespace orvek_ecs
