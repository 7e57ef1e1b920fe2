#include "verify/case_allocator.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <regex>
#include <string>

#include "verify/console.hpp"
#include "verify/log.hpp"

namespace orvek_verify {

// External linkage (outside the anonymous namespace), so the leak stack can name it.
[[gnu::noinline]] void* allocateForLeakTest(CaseAllocator& allocator, std::size_t bytes) {
  void* block = allocator.allocate(bytes, 8);
  asm volatile("" ::: "memory");  // keeps the call from becoming a tail call
  return block;
}

namespace {

// Every test sees the allocator's log through its own sink and starts with no logged errors.
class CaseAllocatorTest : public ::testing::Test {
 protected:
  void SetUp() override { setLoggedErrorCount(0); }
  void TearDown() override { setLoggedErrorCount(0); }

  StringSink sink;
  Console console{sink, false};
  ScopedConsole active{console};
  CaseAllocator allocator;
};

bool isAligned(const void* p, std::size_t alignment) { return reinterpret_cast<std::uintptr_t>(p) % alignment == 0; }

TEST_F(CaseAllocatorTest, CleanUseLogsNothing) {
  for (const std::size_t alignment : {1u, 8u, 16u, 64u, 4096u}) {
    void* block = allocator.allocate(100, alignment);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(isAligned(block, alignment)) << alignment;
    EXPECT_TRUE(allocator.resize(block, 100, 40, alignment));    // shrink in place
    EXPECT_TRUE(allocator.resize(block, 40, 100, alignment));    // grow back into its room
    EXPECT_FALSE(allocator.resize(block, 100, 101, alignment));  // no growth past it
    allocator.deallocate(block, 100, alignment);
  }
  void* empty = allocator.allocate(0, 8);
  void* other = allocator.allocate(0, 8);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(empty, other);
  allocator.deallocate(empty, 0, 8);
  allocator.deallocate(other, 0, 8);
  allocator.deallocate(nullptr, 0, 8);  // nothing to free
  EXPECT_EQ(allocator.tearDown(), 0u);
  EXPECT_EQ(sink.text(), "");
  EXPECT_EQ(loggedErrorCount(), 0u);
}

TEST_F(CaseAllocatorTest, RefusesAbsurdRequestsWithNull) {
  EXPECT_EQ(allocator.allocate(std::numeric_limits<std::size_t>::max(), 8), nullptr);
  EXPECT_EQ(allocator.allocate(CaseAllocator::maxBlockBytes() + 1, 8), nullptr);
  EXPECT_LE(CaseAllocator::maxBlockBytes(), std::size_t{1} << 40);
  EXPECT_GE(CaseAllocator::maxBlockBytes(), std::size_t{1} << 28);
  EXPECT_EQ(allocator.allocate(16, 0), nullptr);
  EXPECT_EQ(allocator.allocate(16, 24), nullptr);  // not a power of two
  EXPECT_EQ(allocator.liveBlocks(), 0u);
  EXPECT_EQ(sink.text(), "");
}

TEST_F(CaseAllocatorTest, TearDownReportsEveryLeakedBlockWithItsStack) {
  void* a = allocateForLeakTest(allocator, 24);
  void* b = allocateForLeakTest(allocator, 8);
  void* kept = allocator.allocate(4, 4);
  allocator.deallocate(kept, 4, 4);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(allocator.tearDown(), 2u);
  EXPECT_EQ(allocator.liveBlocks(), 0u);
  EXPECT_EQ(loggedErrorCount(), 2u);

  const std::string& log = sink.text();
  for (const auto& [block, bytes] : {std::pair{a, 24}, std::pair{b, 8}}) {
    char address[32];
    std::snprintf(address, sizeof address, "%p", block);
    const std::string head = "[gpa] (err): memory address " + std::string(address) +
                             " leaked: " + std::to_string(bytes) + " bytes, allocated at\n    #0 ";
    EXPECT_NE(log.find(head), std::string::npos) << head << "\n" << log;
  }
  EXPECT_NE(log.find("in orvek_verify::allocateForLeakTest(orvek_verify::CaseAllocator&, unsigned long)+0x"),
            std::string::npos)
      << log;
  // The test body has internal linkage: named from the executable's own symbol table.
  EXPECT_NE(log.find("(anonymous namespace)::CaseAllocatorTest_TearDownReportsEveryLeakedBlockWithItsStack_Test::"
                     "TestBody()+0x"),
            std::string::npos)
      << log;
  // Each report is the message line and its frames, nothing else.
  const std::regex report(R"re((\[gpa\] \(err\): memory address 0x[0-9a-f]+ leaked: [0-9]+ bytes, allocated at\n)re"
                          R"re((    #[0-9] 0x[0-9a-f]+ in [^\n]+\n){1,10})+)re");
  EXPECT_TRUE(std::regex_match(log, report)) << log;
  // The allocator is fresh again: nothing more to report.
  EXPECT_EQ(allocator.tearDown(), 0u);
}

struct Misuse {
  const char* name;
  std::function<void(CaseAllocator&, void* block)> act;
  const char* message;   // regex for the log line
  bool freed_by_misuse;  // the block went back to the heap anyway
};

class CaseAllocatorMisuse : public CaseAllocatorTest, public ::testing::WithParamInterface<Misuse> {};

TEST_P(CaseAllocatorMisuse, IsLoggedAsAnErrorAndDoesNoHarm) {
  const Misuse& misuse = GetParam();
  void* block = allocator.allocate(32, 16);
  ASSERT_NE(block, nullptr);
  misuse.act(allocator, block);
  EXPECT_EQ(loggedErrorCount(), 1u) << sink.text();
  EXPECT_TRUE(std::regex_search(sink.text(), std::regex(misuse.message))) << sink.text();
  EXPECT_TRUE(sink.text().starts_with("[gpa] (err): ")) << sink.text();
  if (!misuse.freed_by_misuse) {
    EXPECT_EQ(allocator.liveBlocks(), 1u);
    allocator.deallocate(block, 32, 16);  // a correct free still works
  }
  EXPECT_EQ(allocator.tearDown(), 0u);
  EXPECT_EQ(loggedErrorCount(), 1u);
}

int g_not_from_allocator = 0;

INSTANTIATE_TEST_SUITE_P(
    All, CaseAllocatorMisuse,
    ::testing::Values(
        Misuse{
            "DoubleFree",
            [](CaseAllocator& a, void* b) {
              a.deallocate(b, 32, 16);
              a.deallocate(b, 32, 16);
            },
            R"(free of freed memory address 0x[0-9a-f]+ \(double free\); allocated at\n    #0 [^\n]+\n(    #[^\n]+\n)*  first freed at\n    #0 [^\n]+\n(    #[^\n]+\n)*  free again at\n    #0 )",
            true},
        Misuse{"FreeWithWrongSize", [](CaseAllocator& a, void* b) { a.deallocate(b, 31, 16); },
               R"(free of memory address 0x[0-9a-f]+ with size 31, but its size is 32)", true},
        Misuse{"FreeWithWrongAlignment", [](CaseAllocator& a, void* b) { a.deallocate(b, 32, 8); },
               R"(free of memory address 0x[0-9a-f]+ with alignment 8, but it was allocated with alignment 16)", true},
        Misuse{"ResizeWithWrongSize", [](CaseAllocator& a, void* b) { EXPECT_FALSE(a.resize(b, 64, 16, 16)); },
               R"(resize of memory address 0x[0-9a-f]+ with size 64, but its size is 32)", false},
        Misuse{"ResizeWithWrongAlignment", [](CaseAllocator& a, void* b) { EXPECT_FALSE(a.resize(b, 32, 16, 32)); },
               R"(resize of memory address 0x[0-9a-f]+ with alignment 32, but it was allocated with alignment 16)",
               false},
        Misuse{"ResizeAfterFree",
               [](CaseAllocator& a, void* b) {
                 a.deallocate(b, 32, 16);
                 EXPECT_FALSE(a.resize(b, 32, 16, 16));
               },
               R"(resize of freed memory address 0x[0-9a-f]+ \(use after free\))", true},
        Misuse{"FreeOfUnknownPointer",
               [](CaseAllocator& a, void*) { a.deallocate(&g_not_from_allocator, sizeof(int), alignof(int)); },
               R"(free of unknown memory address 0x[0-9a-f]+ \(never allocated here\) at\n    #0 )", false},
        Misuse{"FreeOfInteriorPointer",
               [](CaseAllocator& a, void* b) { a.deallocate(static_cast<char*>(b) + 16, 16, 16); },
               R"(free of unknown memory address)", false},
        Misuse{"ResizeOfUnknownPointer",
               [](CaseAllocator& a, void*) { EXPECT_FALSE(a.resize(&g_not_from_allocator, 4, 2, 4)); },
               R"(resize of unknown memory address)", false}),
    [](const ::testing::TestParamInfo<Misuse>& info) { return std::string(info.param.name); });

TEST_F(CaseAllocatorTest, TearDownForgetsFreedBlocks) {
  void* block = allocator.allocate(8, 8);
  allocator.deallocate(block, 8, 8);
  EXPECT_EQ(allocator.tearDown(), 0u);
  // The address may belong to anyone by now; a free of it is an unknown pointer, never a heap free.
  allocator.deallocate(block, 8, 8);
  EXPECT_NE(sink.text().find("free of unknown memory address"), std::string::npos) << sink.text();
}

TEST_F(CaseAllocatorTest, AddressHandedOutAgainIsLiveAgain) {
  // The heap reuses freed addresses; a block at a reused address must free cleanly.
  for (int i = 0; i < 100; ++i) {
    void* block = allocator.allocate(48, 16);
    ASSERT_NE(block, nullptr);
    allocator.deallocate(block, 48, 16);
  }
  EXPECT_EQ(loggedErrorCount(), 0u) << sink.text();
}

TEST_F(CaseAllocatorTest, RunnerInstanceIsFreshForEachCase) {
  void* block = caseAllocator().allocate(8, 8);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(tearDownCaseAllocator(), 1u);
  resetCaseAllocator();
  EXPECT_EQ(tearDownCaseAllocator(), 0u);
  EXPECT_EQ(loggedErrorCount(), 1u);
}

}  // namespace
}  // namespace orvek_verify
