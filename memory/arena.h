// Arenas: memory for objects that live until the run ends (stored texts,
// definition-table entries), taken from GNU obstack chunks and released
// only all at once.
//
// An arena sets itself up on its first allocation, so that no module needs
// a start-up call, and its chunks grow with use: a small input touches a
// few kilobytes, a large one gets large chunks advised for huge pages, so
// that it costs a few thousand page faults rather than a few hundred
// thousand.
#pragma once

#include <obstack.h>

#include <cstddef>

// For the functions that expand the obstack macros: glibc's obstack.h
// aligns pointers there by arithmetic that starts from a null pointer,
// which the pointer-overflow sanitizer reports although the result is a
// valid pointer.  Only that one check is left out.
#define EXPANDS_OBSTACK_MACROS __attribute__((no_sanitize("pointer-overflow")))

class Arena {
 public:
  // Objects are aligned to `alignment` bytes.
  explicit constexpr Arena(size_t alignment) : alignment_(alignment) {}
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Uninitialised room for size bytes.
  EXPANDS_OBSTACK_MACROS void* Alloc(size_t size) {
    if (!ready_) SetUp();
    return obstack_alloc(&obstack_, size);
  }

  // Releases every object at once; the arena starts again as it was after
  // its first chunk was taken, and keeps the other chunks to use again.
  void Release();

 private:
  static void* TakeChunk(void* arena, long size);
  static void GiveBack(void* arena, void* chunk);
  void SetUp();

  struct ChunkHeader;  // in front of every chunk the obstack sees
  struct obstack obstack_ = {};
  size_t alignment_;
  ChunkHeader* spare_ = nullptr;  // chunks given back, to be taken again
  bool ready_ = false;
  void* first_ = nullptr;  // the first object: releasing back to it keeps the first chunk
};

// Asks the kernel to back the whole huge pages inside [p, p + size) with huge
// pages as they are first touched (for large blocks only; small ones are
// left alone).
void AdviseHugePages(void* p, size_t size);

// Ends the run as the obstack does when no chunk can be had: "memory
// exhausted" on standard error, status 1.  For the growing arrays that do
// not live in an arena.
[[noreturn]] void MemoryExhausted();
