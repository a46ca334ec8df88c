// A block of memory for an array that grows with the input (the tree's
// node store, the string table's index): a mapping of its own that doubles
// when full, which the kernel moves without copying a byte and backs with
// huge pages once it is large.  Bytes never written cost no memory.  A block
// is kept until the run ends and filled again after a reset.
#pragma once

#include <cstddef>

class GrowingBlock {
 public:
  GrowingBlock() = default;
  GrowingBlock(const GrowingBlock&) = delete;
  GrowingBlock& operator=(const GrowingBlock&) = delete;

  void* data() const { return data_; }
  size_t capacity() const { return capacity_; }

  // Makes room for at least `bytes` bytes, keeping the contents; the block
  // may move.  No room ends the run with "memory exhausted".
  void Reserve(size_t bytes);

 private:
  void* data_ = nullptr;
  size_t capacity_ = 0;
};
