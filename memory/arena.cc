#include "memory/arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kChunk = 4 * kHugePage;

// Chunks are aligned to the huge page size, so that the kernel can back all
// of them with huge pages as they are first touched.
void* AllocChunk(size_t size) {
  size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
  void* p = aligned_alloc(kHugePage, rounded);
  if (p) madvise(p, rounded, MADV_HUGEPAGE);
  return p;
}

}  // namespace

void InitLargeObstack(struct obstack* ob, size_t alignment) {
  obstack_specify_allocation(ob, kChunk, alignment, AllocChunk, free);
}
