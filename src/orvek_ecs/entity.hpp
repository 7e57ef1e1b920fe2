#pragma once
/// Named entities placed at points of P³, with a world transform and a change counter.

#include <cstdint>
#include <string_view>

#include "orvek_ecs/entity_id.hpp"
#include "orvek_kernel/hom_vec4.hpp"
#include "orvek_kernel/pgl4.hpp"

namespace orvek_ecs {

/// Lifecycle state of an entity.
enum class EntityState : std::uint8_t {
  init = 0,          ///< made, never activated
  active = 1,        ///< in use
  deactivating = 2,  ///< deactivated; nothing moves it on from here
  inactive = 3,      ///< may be activated again (no operation enters it)
  destroyed = 4,     ///< final (no operation enters it)
};

/// A named object at a point of P³; a plain value that owns nothing but its fields.
///
/// `version` counts every change: each lifecycle transition, every `setPosition` and every
/// `setWorldTransform` adds exactly one, so a reader that sees a larger value knows the
/// entity changed. A change that would take `version` past `UINT64_MAX` stops the process
/// with "integer overflow" before anything is modified.
struct Entity {
  /// The entity's identifier.
  EntityId id;
  std::string_view name;               ///< borrowed: the caller keeps the bytes alive while any copy is in use
  orvek_kernel::HomVec4 position;      ///< a unit vector after any accepted `setPosition`
  orvek_kernel::PGL4 world_transform;  ///< independent of `position`: nothing composes or applies it
  EntityId parent_id;                  ///< stored and copied, never followed
  std::uint64_t version;               ///< count of changes; never decreases
  /// Lifecycle state, moved along by `activate` and `deactivate`.
  EntityState state;

  /// A new entity numbered `id` at (0, 0, 0, 1) with the identity transform, no parent,
  /// version 0 and state `init`. No check: `id` 0 gives the invalid identifier.
  static constexpr Entity init(std::uint64_t id, std::string_view name) noexcept {
    return Entity{EntityId::init(id),
                  name,
                  orvek_kernel::HomVec4::fromCartesian(0.0, 0.0, 0.0),
                  orvek_kernel::PGL4::identity(),
                  EntityId::invalid(),
                  0,
                  EntityState::init};
  }

  /// True exactly when the state is `active`.
  constexpr bool isActive() const noexcept { return state == EntityState::active; }

  /// `init` and `inactive` become `active` (version + 1); any other state is left alone.
  void activate() noexcept;

  /// `active` becomes `deactivating` (version + 1); any other state is left alone.
  void deactivate() noexcept;

  /// Moves the entity to `pos` scaled onto S³, in any state; version + 1 in every case.
  ///
  /// The sign is kept (v and −v are stored as opposite unit vectors). A vector that names
  /// no point — norm not above 1e-15, NaN or infinite coordinates — leaves the position
  /// where it was. Finite coordinates whose norm overflows are scaled down first, so the
  /// stored position is a unit vector whenever it changes.
  void setPosition(orvek_kernel::HomVec4 pos) noexcept;

  /// Replaces the world transform with `m`, all 16 values unchanged; version + 1.
  void setWorldTransform(const orvek_kernel::PGL4& m) noexcept;

  /// The Fubini–Study distance from this entity's position to `other`'s, in radians.
  double distanceTo(const Entity& other) const noexcept;
};

}  // namespace orvek_ecs
