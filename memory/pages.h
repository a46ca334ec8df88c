// Where the memory of one translation comes from, and the one place where it
// runs out.
//
// Every array that grows with the input and every arena chunk is an
// anonymous mapping of its own, taken here: a small one wherever the kernel
// finds room, a large one on a huge page boundary, advised for huge pages,
// so that a fault brings in 2 MB at once rather than 4 KB.  A mapping that
// grows is moved by the kernel, never copied.
//
// When memory cannot be had, OutOfMemory is thrown; it ends the translation
// (status 1, "memory exhausted"), never the process, and the structure that
// asked keeps what it had.
#pragma once

#include <cstddef>
#include <new>

namespace qel2json::detail {

// A std::bad_alloc, so that one handler takes it and the standard
// library's own.
struct OutOfMemory : std::bad_alloc {};

class PageSource {
 public:
  PageSource() = default;
  PageSource(const PageSource&) = delete;
  PageSource& operator=(const PageSource&) = delete;

  static constexpr size_t kPage = 4096;
  static constexpr size_t kHugePage = size_t(2) << 20;

  // The size of the mapping that a request of `size` bytes gets: whole
  // pages, and whole huge pages from a sixteenth of one on.
  static size_t MappedSize(size_t size);

  // A fresh mapping of at least `size` bytes; returns its start and sets
  // *mapped to its true size (a multiple of the page size).
  void* Map(size_t size, size_t* mapped);

  // Makes the mapping at p (of `mapped` bytes) at least `size` bytes long,
  // keeping its contents; it may move.  Sets *mapped to the new size.
  void* Grow(void* p, size_t size, size_t* mapped);

  void Unmap(void* p, size_t mapped);

 private:
  // Tests make a mapping fail as if the system had no memory left.
  friend struct FaultInjection;

  void Charge();  // throws OutOfMemory when a failure is due

  long failAfter_ = -1;  // mappings that succeed before the one that fails; -1: none fails
};

}  // namespace qel2json::detail
