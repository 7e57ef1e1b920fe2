#pragma once
/// The growable, contiguous storage of a world's entities.

#include <cstddef>
#include <optional>
#include <span>

#include "orvek_ecs/allocator.hpp"
#include "orvek_ecs/entity.hpp"

namespace orvek_ecs {

/// The capacity that a full array of `capacity` elements of `element_bytes` bytes grows to:
/// twice as many (at least 4), limited to the largest count whose byte size fits in
/// `std::size_t`; none when the array is already that large.
std::optional<std::size_t> grownCapacity(std::size_t capacity, std::size_t element_bytes) noexcept;

/// Entities in one contiguous block from an allocator, appended at the end, never removed.
///
/// Appending is amortised constant time: a full array grows geometrically, trying to
/// extend its block in place first and otherwise moving into a new block and returning
/// the old one. Owns its block: movable (the source is left empty), not copyable.
class EntityArray {
 public:
  /// An empty array on `allocator`; takes no memory until the first append.
  explicit EntityArray(Allocator& allocator) noexcept : allocator_(&allocator) {}

  EntityArray(const EntityArray&) = delete;
  EntityArray& operator=(const EntityArray&) = delete;

  /// Takes `other`'s block; `other` is left empty on the same allocator.
  EntityArray(EntityArray&& other) noexcept;

  /// Returns this array's block, then takes `other`'s; `other` is left empty.
  EntityArray& operator=(EntityArray&& other) noexcept;

  /// Returns the block to the allocator.
  ~EntityArray() { release(); }

  /// Appends a copy of `entity`; false (and nothing changed) when the allocator cannot
  /// supply a larger block. A successful append may move the block, so pointers into
  /// the array die with it.
  [[nodiscard]] bool append(const Entity& entity) noexcept;

  /// Room for one more entity at the end, or nullptr (and nothing changed) when the allocator
  /// cannot supply a larger block. The slot counts as stored at once and holds no entity yet:
  /// the caller constructs one there before anything else reads the array. Like `append`, it
  /// may move the block.
  [[nodiscard]] Entity* appendSlot() noexcept {
    if (size_ == capacity_ && !grow()) return nullptr;
    return items_ + size_++;
  }

  /// Returns the block to the allocator and leaves the array empty, still usable.
  void release() noexcept;

  /// The stored entities in the order they were appended.
  std::span<Entity> items() noexcept { return {items_, size_}; }

  /// The stored entities in the order they were appended.
  std::span<const Entity> items() const noexcept { return {items_, size_}; }

  /// The number of stored entities.
  std::size_t size() const noexcept { return size_; }

  /// The number of entities the current block holds.
  std::size_t capacity() const noexcept { return capacity_; }

  /// The allocator that the array takes its block from.
  Allocator& allocator() const noexcept { return *allocator_; }

 private:
  // Makes room for at least one more entity; false when no storage can be had.
  bool grow() noexcept;

  Entity* items_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  Allocator* allocator_;
};

}  // namespace orvek_ecs
