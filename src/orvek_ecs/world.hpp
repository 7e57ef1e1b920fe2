#pragma once
/// The world: owner of the entities, giver of identifiers, answerer of nearest-entity queries.
///
/// Ownership: a world owns exactly one thing, the array of its `Entity` records, taken from
/// the allocator given to `init` and returned by `deinit` (or by the destructor). Everything
/// else is borrowed: the allocator must outlive the world, and entity names are views of the
/// caller's bytes, which must stay alive while the world uses that entity.
///
/// Pointer lifetime: a pointer from `getEntity`, like the span from `entities()`, points into
/// that array. It dies at the next `createEntity` (growing may move the array to a larger
/// block), at `deinit`, when the world is destroyed and when another world is move-assigned
/// to it. Create first, then take pointers.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "orvek_ecs/allocator.hpp"
#include "orvek_ecs/entity.hpp"
#include "orvek_ecs/entity_array.hpp"
#include "orvek_ecs/entity_id.hpp"
#include "orvek_ecs/event_bus.hpp"
#include "orvek_ecs/events.hpp"
#include "orvek_ecs/result.hpp"
#include "orvek_kernel/hom_vec4.hpp"

namespace orvek_ecs {

/// A set of entities in creation order, kept in one growable array on the caller's allocator.
///
/// Identifiers are handed out from 1 upwards and never reused, so the stored entities are
/// in ascending order of `id`; entities are only ever added at the end. The world owns its
/// storage: it is movable (the moved-from world holds nothing) but not copyable, and its
/// destructor returns whatever `deinit` has not. Names stay borrowed: the bytes passed to
/// `createEntity` must outlive the world's use of that entity.
///
/// The two buses start without a handler; the world never dispatches on them.
class World {
 public:
  /// A new, empty world on `allocator`, which must outlive it; takes no memory.
  static World init(Allocator& allocator) noexcept { return World(allocator); }

  World(const World&) = delete;
  World& operator=(const World&) = delete;

  /// Takes `other`'s entities, identifier counter and buses; `other` is left holding no storage.
  World(World&& other) noexcept = default;

  /// Returns this world's storage, then takes `other`'s as the move constructor does.
  World& operator=(World&& other) noexcept = default;

  /// Returns the storage if `deinit` has not.
  ~World() = default;

  /// Returns the entity storage to the allocator. The world is left empty; identifiers
  /// already handed out are not handed out again.
  void deinit() noexcept { entities_.release(); }

  /// Creates an active entity named `name` (borrowed) at the end of the array and returns
  /// its identifier, or `Error::OutOfMemory` when the array cannot grow. The identifier is
  /// used up either way; on failure the stored entities are untouched.
  ///
  /// Every pointer from `getEntity` dies here, since growing may move the storage. Creating
  /// with `nextId()` at 2^64 − 1 stops the process with "integer overflow".
  Result<EntityId> createEntity(std::string_view name) noexcept;

  /// The stored entity numbered like `id`, changeable in place, or nullptr when none is.
  ///
  /// The pointer stays valid until the next `createEntity` or `deinit` of this world, or
  /// until the world is destroyed or move-assigned to. Moving the world hands the array over
  /// unchanged, so the pointer then refers into the world moved to.
  Entity* getEntity(EntityId id) noexcept;

  /// The stored entity numbered like `id`, or nullptr; valid as for the other overload.
  const Entity* getEntity(EntityId id) const noexcept;

  /// The active entity nearest to `position` by Fubini–Study distance; the oldest wins a
  /// tie. None exactly when no entity is active.
  ///
  /// One linear scan in creation order, keeping a distance only when it is strictly below
  /// the best so far (which starts at π). `position` need not be normalised; one of norm
  /// below `ZERO_NORM` is at distance 0 from every entity, so the oldest active entity wins.
  std::optional<EntityId> findNearest(orvek_kernel::HomVec4 position) const noexcept;

  /// The number of active entities; more than `UINT32_MAX` stops the process with "integer overflow".
  std::uint32_t activeCount() const noexcept;

  /// The stored entities in creation order; the span dies like a `getEntity` pointer.
  std::span<const Entity> entities() const noexcept { return entities_.items(); }

  /// The number that the next created entity receives.
  std::uint64_t nextId() const noexcept { return next_id_; }

 private:
  explicit World(Allocator& allocator) noexcept
      : entities_(allocator),
        position_bus(EventBus<PositionChangedEvent>::init()),
        transform_bus(EventBus<TransformChangedEvent>::init()) {}

  // Lets the tests place next_id_ at the end of its range, which no real sequence of
  // creations reaches, to check that running past it stops the process.
  friend struct WorldTestAccess;

  EntityArray entities_;
  std::uint64_t next_id_ = 1;

 public:
  /// The bus for position events; callers install handlers and dispatch on it.
  EventBus<PositionChangedEvent> position_bus;

  /// The bus for transform events; callers install handlers and dispatch on it.
  EventBus<TransformChangedEvent> transform_bus;
};

}  // namespace orvek_ecs
