// Arenas: memory for objects that live until the translation ends (stored
// texts), taken from GNU obstack chunks and released only all at once.
//
// Chunks come from the translation's PageSource and grow with use: a small
// input touches a few kilobytes, a large one gets large chunks backed by
// huge pages.  An obstack measures objects in ints: an object larger than
// that (a string literal of gigabytes) gets a chunk of its own beside the
// obstack, released with the rest.  When no chunk can be had, the chunk function throws
// OutOfMemory, which leaves the obstack as it was: the obstack's own
// process-wide failure handler is never reached.
#pragma once

#include <obstack.h>

#include <climits>
#include <cstddef>

#include "memory/pages.h"

namespace qel2json::detail {

// For the functions that expand the obstack macros: glibc's obstack.h
// aligns pointers there by arithmetic that starts from a null pointer,
// which the pointer-overflow sanitizer reports although the result is a
// valid pointer.  Only that one check is left out.
#define EXPANDS_OBSTACK_MACROS __attribute__((no_sanitize("pointer-overflow")))

class Arena {
 public:
  // Objects are aligned to `alignment` bytes.
  Arena(PageSource& pages, size_t alignment) : pages_(&pages), alignment_(alignment) {}
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Uninitialised room for size bytes.
  EXPANDS_OBSTACK_MACROS void* Alloc(size_t size) {
    if (!ready_) SetUp();
    if (size > kLargestInObstack) return AllocAlone(size);
    return obstack_alloc(&obstack_, size);
  }

  // Releases every object at once; the arena starts again as it was after
  // its first chunk was taken, and keeps the other chunks to use again.
  void Release();

 private:
  struct ChunkHeader;  // in front of every chunk

  static constexpr size_t kLargestInObstack = INT_MAX;

  static void* TakeChunk(void* arena, long size);
  static void GiveBack(void* arena, void* chunk);
  ChunkHeader* Take(size_t size);
  void* AllocAlone(size_t size);
  void SetUp();
  void GiveBackAlone();
  void FreeSpare();

  PageSource* pages_;
  struct obstack obstack_ = {};
  size_t alignment_;
  ChunkHeader* spare_ = nullptr;  // chunks given back, to be taken again
  ChunkHeader* alone_ = nullptr;  // the chunks of objects too large for the obstack, in use
  bool ready_ = false;
  void* first_ = nullptr;  // the first object: releasing back to it keeps the first chunk
};

}  // namespace qel2json::detail
