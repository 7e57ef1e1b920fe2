#pragma once
// An allocator for tests that counts what is live, can be told to refuse, and checks every
// block handed back against what it handed out.

#include <cstddef>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "orvek_ecs/allocator.hpp"

namespace orvek_ecs::testing {

class TestAllocator final : public Allocator {
 public:
  // Blocks reserve this many times their size when in-place growth is allowed, so that
  // `resize` has room to grant.
  static constexpr std::size_t kSlack = 4;

  TestAllocator() = default;
  TestAllocator(const TestAllocator&) = delete;
  TestAllocator& operator=(const TestAllocator&) = delete;

  // Frees what the code under test leaked, so the test binary itself stays clean under
  // the sanitizers; the leak was already visible through liveBlocks().
  ~TestAllocator() {
    for (const auto& [address, block] : blocks_) free(address, block);
  }

  // The next `count` allocations succeed, every one after them is refused.
  void allowAllocations(std::size_t count) { budget_ = count; }
  // Every allocation succeeds again.
  void allowAllAllocations() { budget_ = std::numeric_limits<std::size_t>::max(); }
  // Whether `resize` may grant growth in place (shrinking too); refused by default.
  void allowResize(bool allowed) { resize_allowed_ = allowed; }

  void* allocate(std::size_t bytes, std::size_t alignment) noexcept override {
    ++allocate_calls_;
    if (budget_ == 0) {
      ++refusals_;
      return nullptr;
    }
    if (budget_ != std::numeric_limits<std::size_t>::max()) --budget_;
    if (bytes == 0 || alignment == 0 || (alignment & (alignment - 1)) != 0) {
      errors_.push_back("allocate: bad request of " + std::to_string(bytes) + " bytes, alignment " +
                        std::to_string(alignment));
    }
    const std::size_t reserved = resize_allowed_ && bytes <= kMaxSlackable ? bytes * kSlack : bytes;
    void* address = ::operator new (reserved == 0 ? 1 : reserved, std::align_val_t{alignment}, std::nothrow);
    if (address == nullptr) return nullptr;
    blocks_[address] = Block{bytes, alignment, reserved};
    live_bytes_ += bytes;
    return address;
  }

  bool resize(void* address, std::size_t old_bytes, std::size_t new_bytes, std::size_t alignment) noexcept override {
    ++resize_calls_;
    const auto it = blocks_.find(address);
    if (!checkKnown(it, "resize", old_bytes, alignment)) return false;
    if (!resize_allowed_ || new_bytes > it->second.reserved) return false;
    live_bytes_ = live_bytes_ - it->second.bytes + new_bytes;
    it->second.bytes = new_bytes;
    ++resizes_granted_;
    return true;
  }

  void deallocate(void* address, std::size_t bytes, std::size_t alignment) noexcept override {
    ++deallocate_calls_;
    const auto it = blocks_.find(address);
    if (!checkKnown(it, "deallocate", bytes, alignment)) return;
    live_bytes_ -= it->second.bytes;
    free(it->first, it->second);
    blocks_.erase(it);
  }

  std::size_t liveBlocks() const { return blocks_.size(); }
  std::size_t liveBytes() const { return live_bytes_; }
  std::size_t allocateCalls() const { return allocate_calls_; }
  std::size_t deallocateCalls() const { return deallocate_calls_; }
  std::size_t resizeCalls() const { return resize_calls_; }
  std::size_t resizesGranted() const { return resizes_granted_; }
  std::size_t refusals() const { return refusals_; }
  // Every misuse seen: unknown or double-freed blocks, wrong sizes or alignments.
  const std::vector<std::string>& errors() const { return errors_; }

 private:
  struct Block {
    std::size_t bytes;
    std::size_t alignment;
    std::size_t reserved;
  };
  using Blocks = std::map<void*, Block>;
  static constexpr std::size_t kMaxSlackable = std::numeric_limits<std::size_t>::max() / kSlack;

  static void free(void* address, const Block& block) noexcept {
    ::operator delete (address, std::align_val_t{block.alignment});
  }

  bool checkKnown(Blocks::iterator it, const char* what, std::size_t bytes, std::size_t alignment) {
    if (it == blocks_.end()) {
      errors_.push_back(std::string(what) + ": block not allocated here, or already returned");
      return false;
    }
    if (it->second.bytes != bytes || it->second.alignment != alignment) {
      errors_.push_back(std::string(what) + ": block of " + std::to_string(it->second.bytes) + " bytes, alignment " +
                        std::to_string(it->second.alignment) + " passed as " + std::to_string(bytes) +
                        " bytes, alignment " + std::to_string(alignment));
    }
    return true;
  }

  Blocks blocks_;
  std::size_t live_bytes_ = 0;
  std::size_t budget_ = std::numeric_limits<std::size_t>::max();
  bool resize_allowed_ = false;
  std::size_t allocate_calls_ = 0;
  std::size_t deallocate_calls_ = 0;
  std::size_t resize_calls_ = 0;
  std::size_t resizes_granted_ = 0;
  std::size_t refusals_ = 0;
  std::vector<std::string> errors_;
};

}  // namespace orvek_ecs::testing
