// The one source of mappings: arrays that grow across the huge page size
// keep their contents, an injected failure and a mapping the system refuses
// leave every structure as it was, and an arena takes back the chunks it
// gave up, also those of objects too large for its obstack.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/faults.h"
#include "memory/arena.h"
#include "memory/growing_array.h"
#include "support/child.h"

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

// The system refuses mappings (the child's address space is limited to
// what it holds and 64 KB): a fresh mapping, a small one grown in place
// or into huge pages, and a huge one grown all throw OutOfMemory and leave
// what was mapped where and as it was; with the limit lifted the same
// growth succeeds.
TEST(PageSource, MappingsTheSystemRefusesThrowAndLeaveWhatWasThere) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory leaves no address space limit to test with";
#endif
  Outcome o = RunInChild([] {
    using P = PageSource;
    PageSource pages;
    size_t smallSize = 0, hugeSize = 0;
    char* small = static_cast<char*>(pages.Map(100, &smallSize));
    char* huge = static_cast<char*>(pages.Map(P::kHugePage, &hugeSize));
    memset(small, 's', smallSize);
    memset(huge, 'h', hugeSize);
    long pageCount = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm || fscanf(statm, "%ld", &pageCount) != 1) return;
    fclose(statm);
    rlimit old{}, limited{};
    getrlimit(RLIMIT_AS, &old);
    limited = old;
    limited.rlim_cur = rlim_t(pageCount) * rlim_t(sysconf(_SC_PAGESIZE)) + (64 << 10);
    setrlimit(RLIMIT_AS, &limited);
    std::string refused;
    refused.reserve(64);  // no allocation of its own once limited
    auto attempt = [&](const char* what, auto&& call) {
      try {
        call();
      } catch (const OutOfMemory&) {
        refused += std::string(what) + " ";
      }
    };
    size_t fresh = 0;
    attempt("map", [&] { pages.Map(16 * P::kHugePage, &fresh); });
    attempt("small", [&] { small = static_cast<char*>(pages.Grow(small, 100 << 10, &smallSize)); });
    attempt("into-huge", [&] { small = static_cast<char*>(pages.Grow(small, 8 * P::kHugePage, &smallSize)); });
    attempt("huge", [&] { huge = static_cast<char*>(pages.Grow(huge, 8 * P::kHugePage, &hugeSize)); });
    setrlimit(RLIMIT_AS, &old);
    bool kept = smallSize == P::kPage && small[smallSize - 1] == 's' && hugeSize == P::kHugePage &&
                huge[hugeSize - 1] == 'h';
    small = static_cast<char*>(pages.Grow(small, 100 << 10, &smallSize));
    huge = static_cast<char*>(pages.Grow(huge, 8 * P::kHugePage, &hugeSize));
    bool grown = small[P::kPage - 1] == 's' && huge[P::kHugePage - 1] == 'h';
    printf("refused: %s; kept: %d; grown: %d\n", refused.c_str(), kept, grown);
  });
  EXPECT_EQ(o.out, "refused: map small into-huge huge ; kept: 1; grown: 1\n") << o.err;
}

// Objects stay put, an object larger than an obstack can measure gets a
// chunk of its own beside the small ones (only the pages touched cost
// memory: its two ends), and the chunks released are taken again.
TEST(Arena, ObjectsStayPutAndReleasedChunksAreTakenAgain) {
  PageSource pages;
  Arena arena(pages, 8);
  constexpr size_t kHuge = (size_t(1) << 31) + 17;
  for (int round = 0; round < 3; ++round) {
    if (round == 2) FaultInjection::FailMappingsAfter(pages, 0);  // the third round must live on the chunks of the first
    char* first = static_cast<char*>(arena.Alloc(100));
    memset(first, 'a', 100);
    char* huge = nullptr;
    for (int i = 0; i < 2000; ++i) {
      char* p = static_cast<char*>(arena.Alloc(i == 1000 ? kHuge : size_t(1000 + i)));
      ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
      if (i == 1000)
        huge = p, huge[0] = 'h', huge[kHuge - 1] = 'H';
      else
        memset(p, 'b', size_t(1000 + i));
    }
    EXPECT_EQ(first[99], 'a');
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
