#include "memory/arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr long kFirstChunk = 4064;  // a page, less the heap's own bookkeeping
constexpr size_t kHugePage = size_t(2) << 20;
constexpr long kLargestChunk = 4 * long(kHugePage);

// A chunk of a huge page or more is aligned to the huge page size, so that
// the kernel can back all of it with huge pages as it is first touched.
void* AllocChunk(size_t size) {
  if (size < kHugePage) return malloc(size);
  size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
  void* p = aligned_alloc(kHugePage, rounded);
  if (p) AdviseHugePages(p, rounded);
  return p;
}

}  // namespace

// Each chunk is twice the size of the one before, up to the largest size,
// so that the number of chunks grows only with the logarithm of the input
// until chunks are large.
// A chunk given back by an earlier Release is used again where it is large
// enough: it costs no fresh pages.
void* Arena::TakeChunk(void* arena, long size) {
  Arena* a = static_cast<Arena*>(arena);
  Chunk chunk = {nullptr, size_t(size)};
  for (size_t i = 0; i < a->spare_.size(); ++i) {
    if (a->spare_[i].size < size_t(size)) continue;
    chunk = a->spare_[i];
    a->spare_.erase(a->spare_.begin() + long(i));
    break;
  }
  if (!chunk.at) {
    chunk.at = AllocChunk(chunk.size);
    if (!chunk.at) return nullptr;
  }
  a->inUse_.push_back(chunk);
  // The obstack reads the size of its first chunk back after taking it.
  long& next = obstack_chunk_size(&a->obstack_);
  if (a->ready_ && next < kLargestChunk) next *= 2;
  return chunk.at;
}

void Arena::GiveBack(void* arena, void* at) {
  Arena* a = static_cast<Arena*>(arena);
  for (size_t i = 0; i < a->inUse_.size(); ++i) {
    if (a->inUse_[i].at != at) continue;
    a->spare_.push_back(a->inUse_[i]);
    a->inUse_.erase(a->inUse_.begin() + long(i));
    return;
  }
}

EXPANDS_OBSTACK_MACROS void Arena::SetUp() {
  obstack_specify_allocation_with_arg(&obstack_, kFirstChunk, int(alignment_), TakeChunk, GiveBack, this);
  first_ = obstack_alloc(&obstack_, 1);
  ready_ = true;
}

EXPANDS_OBSTACK_MACROS void Arena::Release() {
  if (!ready_) return;
  obstack_free(&obstack_, first_);
  first_ = obstack_alloc(&obstack_, 1);
}

void AdviseHugePages(void* p, size_t size) {
  if (size < 2 * kHugePage) return;
  uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  uintptr_t to = (reinterpret_cast<uintptr_t>(p) + size) & ~(kHugePage - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

void MemoryExhausted() {
  fputs("memory exhausted\n", stderr);
  exit(1);
}
