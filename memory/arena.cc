#include "memory/arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// A chunk with its header fills a page, then twice that, and so on; one
// that outgrows a sixteenth of a huge page takes a whole one next, so that a
// fault brings in 2 MB at once.
constexpr long kHeader = 16;                         // the chunk's own, below
constexpr long kFirstChunk = 4096 - 16 - kHeader;    // less the heap's bookkeeping too
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

// The size of the chunk after one of `size` bytes (without its header):
// chunks grow until they are of the largest size.
long NextChunkSize(long size) {
  long bytes = size + kHeader;
  if (bytes >= kLargestChunk) return size;
  bytes = bytes * 2 <= long(kHugePage) / 16 ? bytes * 2 : std::max(bytes * 2, long(kHugePage));
  return (bytes + 4095) / 4096 * 4096 - kHeader;
}

}  // namespace

// Every chunk carries its true size (a chunk taken again may be larger than
// the obstack asked for) and, while it is spare, the link to the next spare
// one, in a header of its own in front of what the obstack sees.
struct Arena::ChunkHeader {
  size_t size;
  ChunkHeader* next;
};

// A chunk given back by an earlier Release is used again where it is large
// enough: it costs no fresh pages.
void* Arena::TakeChunk(void* arena, long size) {
  Arena* a = static_cast<Arena*>(arena);
  ChunkHeader* chunk = nullptr;
  for (ChunkHeader** link = &a->spare_; *link; link = &(*link)->next) {
    if ((*link)->size < size_t(size)) continue;
    chunk = *link;
    *link = chunk->next;
    break;
  }
  if (!chunk) {
    chunk = static_cast<ChunkHeader*>(AllocChunk(sizeof(ChunkHeader) + size_t(size)));
    if (!chunk) return nullptr;
    chunk->size = size_t(size);
  }
  // The obstack reads the size of its first chunk back after taking it.
  if (a->ready_) obstack_chunk_size(&a->obstack_) = NextChunkSize(obstack_chunk_size(&a->obstack_));
  return chunk + 1;
}

void Arena::GiveBack(void* arena, void* at) {
  Arena* a = static_cast<Arena*>(arena);
  ChunkHeader* chunk = static_cast<ChunkHeader*>(at) - 1;
  chunk->next = a->spare_;
  a->spare_ = chunk;
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
  if (size < kHugePage) return;
  uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  uintptr_t to = (reinterpret_cast<uintptr_t>(p) + size) & ~(kHugePage - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

void MemoryExhausted() {
  fputs("memory exhausted\n", stderr);
  exit(1);
}
