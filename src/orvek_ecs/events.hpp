#pragma once
/// The event records carried by a world's buses.

#include "orvek_ecs/entity_id.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_ecs {

/// An entity moved. Whoever builds the event fills every field; nothing computes them.
struct PositionChangedEvent {
  /// The entity that moved.
  EntityId entity_id;
  /// Its position before the move.
  orvek_kernel::HomVec4 old_position;
  /// Its position after the move.
  orvek_kernel::HomVec4 new_position;
  double fs_distance_moved;  ///< Fubini–Study distance between the two positions, in radians
};

/// An entity's world transform changed. Whoever builds the event fills every field.
struct TransformChangedEvent {
  /// The entity whose transform changed.
  EntityId entity_id;
  /// Its world transform before the change.
  orvek_kernel::PGL4 old_transform;
  /// Its world transform after the change.
  orvek_kernel::PGL4 new_transform;
};

}  // namespace orvek_ecs
