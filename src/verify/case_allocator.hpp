#pragma once
/// The leak-checking allocator handed to the cases that need memory.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

#include "orvek_ecs/allocator.hpp"
#include "verify/stack_trace.hpp"

namespace orvek_verify {

/// A general-purpose allocator that remembers every live block and reports misuse and leaks.
///
/// Blocks come from the process heap; the bookkeeping (size, alignment, allocation stack) lives
/// in maps outside the blocks, so a faulty caller can never corrupt it, and a faulty free or
/// resize (twice, wrong size or alignment, unknown pointer) is logged as an error under the scope
/// "gpa" instead of reaching the heap. `tearDown` reports each block still live as a leak, frees it
/// and leaves the allocator fresh.
class CaseAllocator final : public orvek_ecs::Allocator {
 public:
  /// The largest block handed out: the machine's physical memory, and never more than 1 TiB.
  /// Larger requests are refused with nullptr before the heap sees them; a heap asked for them
  /// might overcommit, and a sanitizer's heap would stop the process instead of failing.
  static std::size_t maxBlockBytes() noexcept;
  /// How many freed blocks are remembered to tell a double free from a free of an unknown pointer.
  static constexpr std::size_t kFreedHistory = 1024;

  CaseAllocator() = default;
  CaseAllocator(const CaseAllocator&) = delete;
  CaseAllocator& operator=(const CaseAllocator&) = delete;
  /// Frees whatever is still live, silently (teardown is where leaks are reported).
  ~CaseAllocator();

  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override;
  bool resize(void* block, std::size_t old_bytes, std::size_t new_bytes, std::size_t alignment) noexcept override;
  void deallocate(void* block, std::size_t bytes, std::size_t alignment) noexcept override;

  /// Logs every live block as "memory address 0x{x} leaked: …", frees them, forgets all history
  /// and returns how many blocks leaked.
  std::size_t tearDown() noexcept;

  /// The number of blocks live now.
  std::size_t liveBlocks() const noexcept;

 private:
  struct Block {
    std::size_t bytes;     // the size the caller knows (changes with resize)
    std::size_t capacity;  // the size obtained from the heap (a resize may grow back to it)
    std::size_t alignment;
    StackTrace allocated;
  };
  struct FreedBlock {
    Block block;
    StackTrace freed;
    std::uint64_t sequence;
  };

  struct Lookup {
    Block* block;  // the live block, or nullptr when unknown or freed
    bool matches;  // size and alignment agree with the allocation
  };

  // Finds the live block of a free or resize and logs every way in which the call is wrong.
  Lookup checkedLookup(const char* what, void* block, std::size_t bytes, std::size_t alignment, const StackTrace& here);
  void rememberFreed(std::uintptr_t address, const Block& block, const StackTrace& freed);

  mutable std::mutex mutex_;
  std::map<std::uintptr_t, Block> live_;
  std::map<std::uintptr_t, FreedBlock> freed_;
  std::deque<std::pair<std::uintptr_t, std::uint64_t>> freed_order_;
  std::uint64_t freed_sequence_ = 0;
};

/// The allocator of the running case: fresh before every case, checked for leaks after it.
orvek_ecs::Allocator& caseAllocator() noexcept;

/// Gives the next case a fresh case allocator (anything left from outside a run is torn down first).
void resetCaseAllocator() noexcept;

/// Tears the case allocator down after a case: reports and frees leaked blocks, returns how many leaked.
std::size_t tearDownCaseAllocator() noexcept;

}  // namespace orvek_verify
