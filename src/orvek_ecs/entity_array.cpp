#include "orvek_ecs/entity_array.hpp"

#include <limits>
#include <memory>
#include <type_traits>
#include <utility>

namespace orvek_ecs {

// Entities are copied into raw blocks and never destroyed one by one.
static_assert(std::is_trivially_copyable_v<Entity> && std::is_trivially_destructible_v<Entity>);

namespace {

inline constexpr std::size_t kFirstCapacity = 4;

}  // namespace

std::optional<std::size_t> grownCapacity(std::size_t capacity, std::size_t element_bytes) noexcept {
  const std::size_t element = element_bytes == 0 ? 1 : element_bytes;
  const std::size_t limit = std::numeric_limits<std::size_t>::max() / element;
  if (capacity >= limit) return std::nullopt;
  if (capacity < kFirstCapacity) return kFirstCapacity < limit ? kFirstCapacity : limit;
  return capacity <= limit / 2 ? capacity * 2 : limit;
}

EntityArray::EntityArray(EntityArray&& other) noexcept
    : items_(std::exchange(other.items_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      allocator_(other.allocator_) {}

EntityArray& EntityArray::operator=(EntityArray&& other) noexcept {
  if (this != &other) {
    release();
    items_ = std::exchange(other.items_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    allocator_ = other.allocator_;
  }
  return *this;
}

bool EntityArray::append(const Entity& entity) noexcept {
  // Copied before the slot is made: `entity` may be one of the stored entities, which a
  // growth moves.
  const Entity copy = entity;
  Entity* slot = appendSlot();
  if (slot == nullptr) return false;
  ::new (static_cast<void*>(slot)) Entity(copy);
  return true;
}

void EntityArray::release() noexcept {
  if (items_ != nullptr) allocator_->deallocate(items_, capacity_ * sizeof(Entity), alignof(Entity));
  items_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

bool EntityArray::grow() noexcept {
  const std::optional<std::size_t> new_capacity = grownCapacity(capacity_, sizeof(Entity));
  if (!new_capacity) return false;
  // grownCapacity keeps the product within std::size_t.
  const std::size_t new_bytes = *new_capacity * sizeof(Entity);
  const std::size_t old_bytes = capacity_ * sizeof(Entity);
  if (items_ != nullptr && allocator_->resize(items_, old_bytes, new_bytes, alignof(Entity))) {
    capacity_ = *new_capacity;
    return true;
  }
  void* block = allocator_->allocate(new_bytes, alignof(Entity));
  if (block == nullptr) return false;
  Entity* moved = static_cast<Entity*>(block);
  std::uninitialized_copy_n(items_, size_, moved);
  if (items_ != nullptr) allocator_->deallocate(items_, old_bytes, alignof(Entity));
  items_ = moved;
  capacity_ = *new_capacity;
  return true;
}

}  // namespace orvek_ecs
