// Arrays that grow with the input (the source text, the node store, the
// string index, the parser's and the printer's stacks): one mapping each,
// which doubles when full and which the kernel moves without copying a
// byte.  Bytes never written cost no memory.  An array keeps its mapping
// when it is emptied, so that the next translation fills it again without a
// fault, and gives it back when it goes away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "memory/pages.h"

namespace qel2json::detail {

class GrowingBlock {
 public:
  explicit GrowingBlock(PageSource& pages) : pages_(&pages) {}
  ~GrowingBlock() { pages_->Unmap(data_, capacity_); }
  GrowingBlock(const GrowingBlock&) = delete;
  GrowingBlock& operator=(const GrowingBlock&) = delete;

  void* data() const { return data_; }
  size_t capacity() const { return capacity_; }

  // Makes room for at least `bytes` bytes, keeping the contents; the block
  // may move.  Throws OutOfMemory, leaving the block as it was.
  void Reserve(size_t bytes) {
    if (bytes > capacity_) Enlarge(bytes);
  }

 private:
  void Enlarge(size_t bytes);

  PageSource* pages_;
  void* data_ = nullptr;
  size_t capacity_ = 0;
};

// A growing array of trivially copyable elements; element pointers stay
// valid until the array next grows.
template <typename T>
class GrowingArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  explicit GrowingArray(PageSource& pages) : block_(pages) {}

  T* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](size_t i) const { return data_[i]; }
  T& back() const { return data_[size_ - 1]; }

  // n more elements at the end, uninitialised; returns the index of the
  // first.
  size_t Extend(size_t n) {
    if (n > capacity_ - size_) Reserve(size_ + n);
    size_t at = size_;
    size_ += n;
    return at;
  }
  void Push(const T& value) {
    if (size_ == capacity_) Reserve(size_ + 1);
    data_[size_++] = value;
  }
  void Pop() { --size_; }
  // Keeps the first `size` elements (no more than there are).
  void Truncate(size_t size) { size_ = size; }
  void Resize(size_t size) {
    Reserve(size);
    size_ = size;
  }
  void Clear() { size_ = 0; }
  // Room for n elements in all.
  void Reserve(size_t n) {
    if (n <= capacity_) return;
    block_.Reserve(n * sizeof(T));
    data_ = static_cast<T*>(block_.data());
    capacity_ = block_.capacity() / sizeof(T);
  }
  size_t capacity() const { return capacity_; }

 private:
  GrowingBlock block_;
  T* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace qel2json::detail
