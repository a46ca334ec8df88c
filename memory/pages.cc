#include "memory/pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

namespace qel2json::detail {

namespace {

constexpr size_t kHugePage = PageSource::kHugePage;

size_t RoundUp(size_t size, size_t unit) { return (size + unit - 1) / unit * unit; }

bool IsHuge(size_t mapped) { return mapped >= kHugePage; }

void* MapAnywhere(size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

// A mapping that starts on a huge page boundary, advised for huge pages
// before its first byte is touched, so that all of it is backed by them.
void* MapAligned(size_t size) {
  char* p = static_cast<char*>(MapAnywhere(size + kHugePage));
  if (!p) return nullptr;
  char* start = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1));
  if (start > p) munmap(p, size_t(start - p));
  munmap(start + size, size_t(p + kHugePage - start));
  madvise(start, size, MADV_HUGEPAGE);
  return start;
}

void* MapSized(size_t mapped) { return IsHuge(mapped) ? MapAligned(mapped) : MapAnywhere(mapped); }

}  // namespace

// A mapping outgrows small pages at a sixteenth of a huge page: from there
// on it takes whole huge pages.
size_t PageSource::MappedSize(size_t size) {
  size = RoundUp(size, kPage);
  return size > kHugePage / 16 ? RoundUp(size, kHugePage) : size;
}

void PageSource::Charge() {
  if (failAfter_ < 0) return;
  if (failAfter_-- == 0) throw OutOfMemory{};
}

void* PageSource::Map(size_t size, size_t* mapped) {
  Charge();
  size_t bytes = MappedSize(size);
  void* p = MapSized(bytes);
  if (!p) throw OutOfMemory{};
  *mapped = bytes;
  return p;
}

// Small mappings grow wherever the kernel finds room.  One that becomes
// huge moves into a fresh mapping on a huge page boundary: the few small
// pages it had are copied, since moved into a huge page's range they would
// keep it from ever getting one; the huge pages of a huge one are moved.
void* PageSource::Grow(void* p, size_t size, size_t* mapped) {
  if (size <= *mapped) return p;
  Charge();
  size_t bytes = MappedSize(size);
  void* grown;
  if (!IsHuge(bytes)) {
    grown = mremap(p, *mapped, bytes, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) grown = nullptr;
  } else {
    grown = MapAligned(bytes);
    if (grown && !IsHuge(*mapped)) {
      memcpy(grown, p, *mapped);
      munmap(p, *mapped);
    } else if (grown && mremap(p, *mapped, *mapped, MREMAP_MAYMOVE | MREMAP_FIXED, grown) == MAP_FAILED) {
      munmap(grown, bytes);
      grown = nullptr;
    }
  }
  if (!grown) throw OutOfMemory{};
  *mapped = bytes;
  return grown;
}

void PageSource::Unmap(void* p, size_t mapped) {
  if (p) munmap(p, mapped);
}

}  // namespace qel2json::detail
