#include "orvek_ecs/allocator.hpp"

#include <malloc.h>
#include <sys/mman.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

namespace orvek_ecs {
namespace {

// Small blocks come from malloc. A large block gets a range of address space of its own, far
// larger than the block, of which only the front is readable and writable: it grows in place
// by opening more of the range, so a growing array is never copied, and pages are only backed
// once they are touched (in 2 MiB huge pages where the system offers them on request).
//
// Whether a block is large follows from its size and alignment alone, which every call
// passes exactly as the block was allocated (its current size after a resize); resize never
// moves a block from one kind to the other.
constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeBlock = std::size_t{64} << 10;
// A large block starts this far into its range, after the range's header; so its alignment
// can be at most this.
constexpr std::size_t kHeader = 64;
// Address space reserved for a large block: eight times the block, at least 256 MiB. It costs
// no memory until it is opened, and opening a range never moves its block.
constexpr std::size_t kMinReserve = std::size_t{256} << 20;
constexpr std::size_t kReserveFactor = 8;
// A returned range whose open part is at most this big is kept for the next large block
// instead of being unmapped, so a world that is made and dropped over and over takes no
// fresh pages each time; at most one range is kept.
constexpr std::size_t kKeptOpen = std::size_t{32} << 20;

// The header at the start of a large block's range.
struct Range {
  std::size_t reserved;  // bytes of address space, header included
  std::size_t open;      // bytes readable and writable from the start of the range
};

bool isLarge(std::size_t bytes, std::size_t alignment) noexcept { return bytes >= kLargeBlock && alignment <= kHeader; }

// x rounded up to a multiple of `unit` (a power of two), or 0 when that overflows.
std::size_t roundUp(std::size_t x, std::size_t unit) noexcept {
  if (x > std::numeric_limits<std::size_t>::max() - (unit - 1)) return 0;
  return (x + unit - 1) & ~(unit - 1);
}

// How much of a range to open for `need` bytes: whole pages, and whole huge pages once the
// block is past the first one, so that the system can back them with huge pages.
std::size_t openSize(std::size_t need, std::size_t reserved) noexcept {
  const std::size_t size = need <= kHugePage ? roundUp(need, kPage) : roundUp(need, kHugePage);
  return size == 0 || size > reserved ? reserved : size;
}

Range* rangeOf(void* block) noexcept { return reinterpret_cast<Range*>(static_cast<char*>(block) - kHeader); }

void* blockOf(Range* range) noexcept { return reinterpret_cast<char*>(range) + kHeader; }

// Opens the range up to `need` bytes; false when the system refuses.
bool openUpTo(Range* range, std::size_t need) noexcept {
  if (need <= range->open) return true;
  const std::size_t size = openSize(need, range->reserved);
  char* base = reinterpret_cast<char*>(range);
  if (::mprotect(base + range->open, size - range->open, PROT_READ | PROT_WRITE) != 0) return false;
  range->open = size;
  return true;
}

// Maps `size` bytes of inaccessible address space aligned to a huge page, or nullptr.
void* reserveAligned(std::size_t size) noexcept {
  if (size > std::numeric_limits<std::size_t>::max() - kHugePage) return nullptr;
  void* raw = ::mmap(nullptr, size + kHugePage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~static_cast<std::uintptr_t>(kHugePage - 1);
  const std::size_t head = aligned - start;
  if (head != 0) ::munmap(raw, head);
  ::munmap(reinterpret_cast<void*>(aligned + size), kHugePage - head);
  return reinterpret_cast<void*>(aligned);
}

// What a range must open for a block of `bytes` behind its header; 0 when that overflows.
std::size_t rangeNeed(std::size_t bytes) noexcept {
  const std::size_t need = bytes + kHeader;
  return need < bytes ? 0 : need;
}

// A new range of which `need` bytes (rangeNeed, not 0) are opened, with the header written; or nullptr.
Range* newRange(std::size_t need) noexcept {
  // 0 when the generous size does not fit in std::size_t.
  std::size_t reserved = 0;
  if (need <= std::numeric_limits<std::size_t>::max() / kReserveFactor) {
    reserved = roundUp(need * kReserveFactor < kMinReserve ? kMinReserve : need * kReserveFactor, kHugePage);
  }
  void* base = reserved == 0 ? nullptr : reserveAligned(reserved);
  if (base == nullptr) {
    // No room for the generous range: one just big enough, which grows by moving.
    reserved = roundUp(need, kPage);
    if (reserved == 0) return nullptr;
    base = ::mmap(nullptr, reserved, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return nullptr;
  }
  ::madvise(base, reserved, MADV_HUGEPAGE);  // a request; without huge pages it all still works
  const std::size_t open = openSize(need, reserved);
  if (::mprotect(base, open, PROT_READ | PROT_WRITE) != 0) {
    ::munmap(base, reserved);
    return nullptr;
  }
  Range* range = ::new (base) Range{reserved, open};
  return range;
}

void unmap(Range* range) noexcept { ::munmap(range, range->reserved); }

class HeapAllocator final : public Allocator {
 public:
  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override {
    if (isLarge(bytes, alignment)) return allocateLarge(bytes);
    if (bytes == 0) bytes = 1;
    if (alignment <= alignof(std::max_align_t)) return std::malloc(bytes);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded < bytes) return nullptr;
    return std::aligned_alloc(alignment, rounded);
  }

  bool resize(void* block, std::size_t old_bytes, std::size_t new_bytes, std::size_t alignment) noexcept override {
    if (block == nullptr) return false;
    const bool was_large = isLarge(old_bytes, alignment);
    if (was_large != isLarge(new_bytes, alignment)) return false;
    if (!was_large) {
      // In place exactly when the heap's block already has room for the new size.
      return new_bytes <= ::malloc_usable_size(block);
    }
    Range* range = rangeOf(block);
    const std::size_t need = rangeNeed(new_bytes);
    return need != 0 && need <= range->reserved && openUpTo(range, need);
  }

  void deallocate(void* block, std::size_t bytes, std::size_t alignment) noexcept override {
    if (block == nullptr) return;
    if (!isLarge(bytes, alignment)) {
      std::free(block);
      return;
    }
    Range* range = rangeOf(block);
    if (range->open > kKeptOpen) {
      unmap(range);
      return;
    }
    if (Range* previous = kept_.exchange(range, std::memory_order_acq_rel)) unmap(previous);
  }

 private:
  void* allocateLarge(std::size_t bytes) noexcept {
    const std::size_t need = rangeNeed(bytes);
    if (need == 0) return nullptr;
    if (Range* range = kept_.exchange(nullptr, std::memory_order_acq_rel)) {
      if (need <= range->reserved && openUpTo(range, need)) return blockOf(range);
      unmap(range);
    }
    Range* range = newRange(need);
    return range == nullptr ? nullptr : blockOf(range);
  }

  std::atomic<Range*> kept_{nullptr};
};

}  // namespace

Allocator& heapAllocator() noexcept {
  static HeapAllocator instance;
  return instance;
}

}  // namespace orvek_ecs
