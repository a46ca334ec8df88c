#include "memory/growing_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "memory/arena.h"

namespace {

// A block is a mapping of its own from the start, so that no growth ever
// copies it: the kernel moves the pages.
constexpr size_t kFirstSize = size_t(64) << 10;
constexpr size_t kHugePage = size_t(2) << 20;

void* MapAnywhere(size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

// A mapping that starts on a huge page boundary, advised for huge pages, so
// that all of it is backed by them.
void* MapAligned(size_t size) {
  char* p = static_cast<char*>(MapAnywhere(size + kHugePage));
  if (!p) return nullptr;
  char* start = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1));
  if (start > p) munmap(p, size_t(start - p));
  munmap(start + size, size_t(p + kHugePage - start));
  AdviseHugePages(start, size);  // before the first byte is touched
  return start;
}

}  // namespace

// Small blocks grow wherever the kernel finds room.  A block that outgrows
// a sixteenth of a huge page takes whole huge pages: it moves into a fresh
// mapping on a huge page boundary, where a fault brings in 2 MB at once
// rather than 4 KB; the huge pages it has are moved, not copied.
void GrowingBlock::Reserve(size_t bytes) {
  if (bytes <= capacity_) return;
  size_t capacity = capacity_ ? capacity_ : kFirstSize;
  while (capacity < bytes) capacity *= 2;
  if (capacity > kHugePage / 16 && capacity < kHugePage) capacity = kHugePage;
  void* grown;
  if (capacity < kHugePage) {
    grown = data_ ? mremap(data_, capacity_, capacity, MREMAP_MAYMOVE) : MapAnywhere(capacity);
    if (grown == MAP_FAILED) grown = nullptr;
  } else if (capacity_ < kHugePage) {
    // Small pages moved into a huge page's range would keep it from ever
    // getting one: the few there are copied instead.
    grown = MapAligned(capacity);
    if (grown && data_) {
      memcpy(grown, data_, capacity_);
      munmap(data_, capacity_);
    }
  } else {
    grown = MapAligned(capacity);
    if (grown && mremap(data_, capacity_, capacity_, MREMAP_MAYMOVE | MREMAP_FIXED, grown) == MAP_FAILED)
      grown = nullptr;
  }
  if (!grown) MemoryExhausted();
  data_ = grown;
  capacity_ = capacity;
}
