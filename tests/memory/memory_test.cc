// The one source of mappings: arrays that grow across the huge page size
// keep their contents, an injected failure leaves every structure as it
// was, and an arena takes back the chunks it gave up, also those of objects
// too large for its obstack.
#include <cstring>

#include <gtest/gtest.h>

#include "support/faults.h"
#include "memory/arena.h"
#include "memory/growing_array.h"

using namespace qel2json::detail;

namespace {

TEST(GrowingArray, KeepsItsElementsWhileItGrowsIntoHugePages) {
  PageSource pages;
  GrowingArray<uint32_t> a(pages);
  for (uint32_t i = 0; i < 3000000; ++i) a.Push(i * 7);  // 12 MB: small pages, then huge ones
  EXPECT_GE(a.capacity() * sizeof(uint32_t), size_t(12) << 20);
  for (uint32_t i = 0; i < 3000000; ++i) ASSERT_EQ(a[i], i * 7);
  a.Clear();
  FaultInjection::FailMappingsAfter(pages, 0);  // refilled, it needs no new mapping
  for (uint32_t i = 0; i < 3000000; ++i) a.Push(i);
  EXPECT_EQ(a.back(), 2999999u);
}

TEST(GrowingArray, AFailedGrowthLeavesItAsItWas) {
  PageSource pages;
  GrowingArray<char> a(pages);
  a.Resize(1000);
  memset(a.data(), 'x', 1000);
  char* before = a.data();
  FaultInjection::FailMappingsAfter(pages, 0);
  EXPECT_THROW(a.Reserve(size_t(1) << 24), OutOfMemory);
  EXPECT_EQ(a.data(), before);
  EXPECT_EQ(a.size(), 1000u);
  EXPECT_EQ(a[999], 'x');
  a.Reserve(size_t(1) << 24);  // only one failure was asked for
  EXPECT_EQ(a[999], 'x');
}

TEST(Arena, ObjectsStayPutAndReleasedChunksAreTakenAgain) {
  PageSource pages;
  Arena arena(pages, 8);
  for (int round = 0; round < 3; ++round) {
    if (round == 2) FaultInjection::FailMappingsAfter(pages, 0);  // the third round must live on the chunks of the first
    char* first = static_cast<char*>(arena.Alloc(100));
    memset(first, 'a', 100);
    for (int i = 0; i < 2000; ++i) {
      void* p = arena.Alloc(size_t(1000 + i));
      ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
      memset(p, 'b', size_t(1000 + i));
    }
    EXPECT_EQ(first[99], 'a');
    arena.Release();
  }
}

// An object larger than an obstack can measure gets a chunk of its own,
// beside the small objects and released with them.  Only the pages
// touched cost memory: its two ends.
TEST(Arena, AnObjectOfMoreThanTwoGigabytesStandsAlone) {
  PageSource pages;
  Arena arena(pages, 8);
  constexpr size_t kHuge = (size_t(1) << 31) + 17;
  for (int round = 0; round < 2; ++round) {
    if (round == 1) FaultInjection::FailMappingsAfter(pages, 0);  // the second round lives on the chunks of the first
    char* before = static_cast<char*>(arena.Alloc(100));
    memset(before, 'b', 100);
    char* huge = static_cast<char*>(arena.Alloc(kHuge));
    ASSERT_EQ(reinterpret_cast<uintptr_t>(huge) % 8, 0u);
    huge[0] = 'h';
    huge[kHuge - 1] = 'H';
    char* after = static_cast<char*>(arena.Alloc(100));
    memset(after, 'a', 100);
    EXPECT_EQ(before[99], 'b');
    EXPECT_EQ(huge[0], 'h');
    EXPECT_EQ(huge[kHuge - 1], 'H');
    arena.Release();
  }
}

TEST(Arena, NoChunkThrowsAndTheArenaGoesOn) {
  PageSource pages;
  Arena arena(pages, 1);
  arena.Alloc(10);
  FaultInjection::FailMappingsAfter(pages, 0);
  EXPECT_THROW(arena.Alloc(size_t(1) << 20), OutOfMemory);
  EXPECT_NE(arena.Alloc(size_t(1) << 20), nullptr);
}

}  // namespace
