#pragma once
/// Named components attached to entities, and their lifecycle.

#include <cstdint>
#include <string_view>

#include "orvek_ecs/component_type_id.hpp"
#include "orvek_ecs/entity_id.hpp"

namespace orvek_ecs {

/// Lifecycle state of a component.
enum class ComponentState : std::uint8_t {
  init = 0,       ///< made, never activated
  active = 1,     ///< in use
  inactive = 2,   ///< deactivated; may be activated again
  destroyed = 3,  ///< final: no operation leaves it (and none enters it)
};

/// A free-standing component record: its kind, the entity it belongs to, a name and a state.
///
/// Nothing stores components or checks that `entity_id` names a live entity.
struct Component {
  /// The kind of component.
  ComponentTypeId type_id;
  EntityId entity_id;     ///< stored unchanged, never verified
  std::string_view name;  ///< borrowed: the caller keeps the bytes alive while any copy is in use
  /// Lifecycle state, moved along by `activate` and `deactivate`.
  ComponentState state;

  /// A component of kind `type_id` on `entity_id`, in state `init`.
  static constexpr Component init(ComponentTypeId type_id, EntityId entity_id, std::string_view name) noexcept {
    return Component{type_id, entity_id, name, ComponentState::init};
  }

  /// True exactly when the state is `active`.
  constexpr bool isActive() const noexcept { return state == ComponentState::active; }

  /// `init` and `inactive` become `active`; any other state is left alone.
  constexpr void activate() noexcept {
    if (state == ComponentState::init || state == ComponentState::inactive) state = ComponentState::active;
  }

  /// `active` becomes `inactive`; any other state is left alone.
  constexpr void deactivate() noexcept {
    if (state == ComponentState::active) state = ComponentState::inactive;
  }
};

}  // namespace orvek_ecs
