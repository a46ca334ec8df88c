#include "memory/growing_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "memory/arena.h"

namespace {

// Blocks from this size on are mappings of their own: the heap would copy
// them whenever they grow.
constexpr size_t kMapFrom = size_t(1) << 20;
constexpr size_t kPage = 4096;

void* Map(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

}  // namespace

void GrowingBlock::Reserve(size_t bytes) {
  if (bytes <= capacity_) return;
  size_t capacity = capacity_ ? capacity_ : 4096;
  while (capacity < bytes) capacity *= 2;
  void* grown;
  if (capacity < kMapFrom) {
    grown = realloc(data_, capacity);
  } else if (mapped_) {
    grown = mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) grown = nullptr;
  } else {
    capacity = (capacity + kPage - 1) / kPage * kPage;
    grown = Map(capacity);
    if (grown) {
      if (data_) memcpy(grown, data_, capacity_);
      free(data_);
      mapped_ = true;
    }
  }
  if (!grown) MemoryExhausted();
  data_ = grown;
  capacity_ = capacity;
  if (mapped_) AdviseHugePages(data_, capacity_);
}
