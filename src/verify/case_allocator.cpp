#include "verify/case_allocator.hpp"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "verify/log.hpp"

namespace orvek_verify {
namespace {

constexpr std::string_view kScope = "gpa";

bool isPowerOfTwo(std::size_t value) noexcept { return value != 0 && (value & (value - 1)) == 0; }

// The stack lines without the final line end (the log adds that).
std::string stackText(const StackTrace& stack) {
  if (stack.depth == 0) return "    (no stack)";
  std::string text = formatStack(stack);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string addressText(std::uintptr_t address) { return "memory address " + hexAddress(address); }

}  // namespace

std::size_t CaseAllocator::maxBlockBytes() noexcept {
  static const std::size_t limit = [] {
    constexpr std::size_t kCeiling = std::size_t{1} << 40;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return kCeiling;
    const auto physical = static_cast<std::size_t>(pages);
    const auto page = static_cast<std::size_t>(page_size);
    return physical > kCeiling / page ? kCeiling : physical * page;
  }();
  return limit;
}

CaseAllocator::~CaseAllocator() {
  for (const auto& [address, block] : live_) std::free(reinterpret_cast<void*>(address));
}

// Not inlined, so that the recorded stack starts at our caller.
[[gnu::noinline]] void* CaseAllocator::allocate(std::size_t bytes, std::size_t alignment) noexcept {
  if (!isPowerOfTwo(alignment) || bytes > maxBlockBytes()) return nullptr;
  const StackTrace allocated = captureStack();
  const std::size_t capacity = bytes == 0 ? 1 : bytes;
  void* block = nullptr;
  if (alignment <= alignof(std::max_align_t)) {
    block = std::malloc(capacity);
  } else if (::posix_memalign(&block, alignment, capacity) != 0) {
    block = nullptr;
  }
  if (block == nullptr) return nullptr;
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  const std::lock_guard lock(mutex_);
  try {
    live_.insert_or_assign(address, Block{bytes, capacity, alignment, allocated});
  } catch (const std::bad_alloc&) {
    std::free(block);
    return nullptr;
  }
  // The heap handed the address out again: it is no longer a freed block.
  freed_.erase(address);
  return block;
}

CaseAllocator::Lookup CaseAllocator::checkedLookup(const char* what, void* block, std::size_t bytes,
                                                   std::size_t alignment, const StackTrace& here) {
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  const auto found = live_.find(address);
  if (found == live_.end()) {
    const auto freed = freed_.find(address);
    if (freed != freed_.end()) {
      logMessage(LogLevel::error, kScope,
                 std::string(what) + " of freed " + addressText(address) +
                     (std::strcmp(what, "free") == 0 ? " (double free)" : " (use after free)") + "; allocated at\n" +
                     stackText(freed->second.block.allocated) + "\n  first freed at\n" +
                     stackText(freed->second.freed) + "\n  " + what + " again at\n" + stackText(here));
    } else {
      logMessage(
          LogLevel::error, kScope,
          std::string(what) + " of unknown " + addressText(address) + " (never allocated here) at\n" + stackText(here));
    }
    return {nullptr, false};
  }
  Block& live = found->second;
  // The mismatch, said as "with {what} {given}, but {what the block has}".
  std::string mismatch;
  if (bytes != live.bytes) {
    mismatch = " with size " + std::to_string(bytes) + ", but its size is " + std::to_string(live.bytes);
  } else if (alignment != live.alignment) {
    mismatch = " with alignment " + std::to_string(alignment) + ", but it was allocated with alignment " +
               std::to_string(live.alignment);
  } else {
    return {&live, true};
  }
  logMessage(LogLevel::error, kScope,
             std::string(what) + " of " + addressText(address) + mismatch + "; allocated at\n" +
                 stackText(live.allocated) + "\n  " + what + " at\n" + stackText(here));
  return {&live, false};
}

[[gnu::noinline]] bool CaseAllocator::resize(void* block, std::size_t old_bytes, std::size_t new_bytes,
                                             std::size_t alignment) noexcept {
  const StackTrace here = captureStack();
  const std::lock_guard lock(mutex_);
  const Lookup found = checkedLookup("resize", block, old_bytes, alignment, here);
  if (found.block == nullptr || !found.matches) return false;
  // Shrinking always stays in place; growing only back into the room the heap gave us.
  if (new_bytes > found.block->capacity) return false;
  found.block->bytes = new_bytes;
  return true;
}

[[gnu::noinline]] void CaseAllocator::deallocate(void* block, std::size_t bytes, std::size_t alignment) noexcept {
  if (block == nullptr) return;
  const StackTrace here = captureStack();
  const std::lock_guard lock(mutex_);
  const Lookup found = checkedLookup("free", block, bytes, alignment, here);
  // Unknown or already freed: the heap must not see it.
  if (found.block == nullptr) return;
  // A live block freed with the wrong size or alignment (already logged) is still ours: it goes back
  // to the heap, which knows its real size, so it neither leaks nor gets reported twice.
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  const Block freed = *found.block;
  live_.erase(address);
  std::free(block);
  rememberFreed(address, freed, here);
}

void CaseAllocator::rememberFreed(std::uintptr_t address, const Block& block, const StackTrace& freed) {
  try {
    const std::uint64_t sequence = ++freed_sequence_;
    freed_.insert_or_assign(address, FreedBlock{block, freed, sequence});
    freed_order_.emplace_back(address, sequence);
    while (freed_order_.size() > kFreedHistory) {
      const auto [old_address, old_sequence] = freed_order_.front();
      freed_order_.pop_front();
      const auto old = freed_.find(old_address);
      if (old != freed_.end() && old->second.sequence == old_sequence) freed_.erase(old);
    }
  } catch (const std::bad_alloc&) {
    // Losing history only turns a later double free into an "unknown pointer" report.
    freed_.erase(address);
  }
}

std::size_t CaseAllocator::tearDown() noexcept {
  const std::lock_guard lock(mutex_);
  const std::size_t leaked = live_.size();
  for (const auto& [address, block] : live_) {
    logMessage(LogLevel::error, kScope,
               addressText(address) + " leaked: " + std::to_string(block.bytes) + " bytes, allocated at\n" +
                   stackText(block.allocated));
    std::free(reinterpret_cast<void*>(address));
  }
  live_.clear();
  freed_.clear();
  freed_order_.clear();
  return leaked;
}

std::size_t CaseAllocator::liveBlocks() const noexcept {
  const std::lock_guard lock(mutex_);
  return live_.size();
}

namespace {

CaseAllocator& instance() noexcept {
  static CaseAllocator allocator;
  return allocator;
}

}  // namespace

orvek_ecs::Allocator& caseAllocator() noexcept { return instance(); }

void resetCaseAllocator() noexcept { instance().tearDown(); }

std::size_t tearDownCaseAllocator() noexcept { return instance().tearDown(); }

}  // namespace orvek_verify
