#pragma once
/// The identifier shared by entities, events and the world.

#include <cstdint>

namespace orvek_ecs {

/// A 64-bit entity identifier; 0 is reserved as the invalid identifier.
///
/// It carries no generation counter and no type bits: equal numbers are equal identifiers.
struct EntityId {
  /// The identifier's number; 0 is the invalid identifier.
  std::uint64_t id;

  /// The identifier holding `id` unchanged; `init(0)` is the invalid identifier.
  static constexpr EntityId init(std::uint64_t id) noexcept { return EntityId{id}; }

  /// The invalid identifier, which names no entity.
  static constexpr EntityId invalid() noexcept { return EntityId{0}; }

  /// True unless this is the invalid identifier.
  constexpr bool isValid() const noexcept { return id != 0; }

  /// Identifiers are equal when their numbers are.
  friend constexpr bool operator==(EntityId, EntityId) noexcept = default;
};

}  // namespace orvek_ecs
