#pragma once
/// The identifier of a kind of component.

#include <cstdint>

namespace orvek_ecs {

/// A 64-bit component kind; every value, 0 included, names a kind.
struct ComponentTypeId {
  /// The number of the kind; no value is reserved.
  std::uint64_t id;

  /// The kind numbered `id`, unchanged.
  static constexpr ComponentTypeId fromId(std::uint64_t id) noexcept { return ComponentTypeId{id}; }
};

}  // namespace orvek_ecs
