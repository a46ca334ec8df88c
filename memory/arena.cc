#include "memory/arena.h"

#include <algorithm>

namespace qel2json::detail {

namespace {

// A chunk with its header fills a page, then twice that, and so on up to
// four huge pages.
constexpr long kHeader = 16;  // the chunk's own, below
constexpr long kFirstChunk = long(PageSource::kPage) - kHeader;
constexpr long kLargestChunk = 4 * long(PageSource::kHugePage);

// The size of the chunk after one of `size` bytes (without its header):
// twice as large, as its mapping will be.
long NextChunkSize(long size) {
  size_t bytes = PageSource::MappedSize(size_t(std::min(2 * (size + kHeader), kLargestChunk)));
  return long(bytes) - kHeader;
}

}  // namespace

// Every chunk carries its true size (a chunk taken again may be larger than
// was asked for) and, while it is spare or holds an object of its own, the
// link to the next one, in a header of its own in front of what the obstack
// sees.
struct Arena::ChunkHeader {
  size_t size;  // of the whole mapping, header included
  ChunkHeader* next;
};

// A chunk given back by an earlier Release is used again where it is large
// enough, the smallest such: it costs no fresh pages, and every translation
// that asks for the same chunks gets the same ones back.  Never returns
// null: running out throws.
Arena::ChunkHeader* Arena::Take(size_t needed) {
  ChunkHeader** best = nullptr;
  for (ChunkHeader** link = &spare_; *link; link = &(*link)->next)
    if ((*link)->size >= needed && (!best || (*link)->size < (*best)->size)) best = link;
  if (best) {
    ChunkHeader* chunk = *best;
    *best = chunk->next;
    return chunk;
  }
  size_t mapped = 0;
  ChunkHeader* chunk = static_cast<ChunkHeader*>(pages_->Map(needed, &mapped));
  chunk->size = mapped;
  return chunk;
}

void* Arena::TakeChunk(void* arena, long size) {
  static_assert(sizeof(ChunkHeader) == kHeader);
  Arena* a = static_cast<Arena*>(arena);
  ChunkHeader* chunk = a->Take(sizeof(ChunkHeader) + size_t(size));
  // The obstack reads the size of its first chunk back after taking it.
  if (a->ready_) obstack_chunk_size(&a->obstack_) = NextChunkSize(obstack_chunk_size(&a->obstack_));
  return chunk + 1;
}

// The object starts behind the header, at the arena's alignment (a page
// aligns every smaller power of two).
void* Arena::AllocAlone(size_t size) {
  size_t front = (sizeof(ChunkHeader) + alignment_ - 1) / alignment_ * alignment_;
  ChunkHeader* chunk = Take(front + size);
  chunk->next = alone_;
  alone_ = chunk;
  return reinterpret_cast<char*>(chunk) + front;
}

void Arena::GiveBack(void* arena, void* at) {
  Arena* a = static_cast<Arena*>(arena);
  ChunkHeader* chunk = static_cast<ChunkHeader*>(at) - 1;
  chunk->next = a->spare_;
  a->spare_ = chunk;
}

EXPANDS_OBSTACK_MACROS void Arena::SetUp() {
  obstack_specify_allocation_with_arg(&obstack_, kFirstChunk, int(alignment_), TakeChunk, GiveBack, this);
  ready_ = true;
  first_ = obstack_alloc(&obstack_, 1);
}

void Arena::GiveBackAlone() {
  while (alone_) {
    ChunkHeader* next = alone_->next;
    alone_->next = spare_;
    spare_ = alone_;
    alone_ = next;
  }
}

// The chunks then grow from the first size again, as they did before, so
// that every translation asks for the chunks the spare list holds.
EXPANDS_OBSTACK_MACROS void Arena::Release() {
  if (!ready_) return;
  GiveBackAlone();
  obstack_free(&obstack_, first_);
  first_ = obstack_alloc(&obstack_, 1);
  obstack_chunk_size(&obstack_) = NextChunkSize(kFirstChunk);
}

void Arena::FreeSpare() {
  while (spare_) {
    ChunkHeader* next = spare_->next;
    pages_->Unmap(spare_, spare_->size);
    spare_ = next;
  }
}

EXPANDS_OBSTACK_MACROS Arena::~Arena() {
  if (ready_) obstack_free(&obstack_, nullptr);  // every chunk in use goes to the spare list
  GiveBackAlone();
  FreeSpare();
}

}  // namespace qel2json::detail
