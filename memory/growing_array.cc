#include "memory/growing_array.h"

namespace qel2json::detail {

namespace {

constexpr size_t kFirstSize = size_t(64) << 10;

}  // namespace

// The capacity doubles, so that an array of any length costs a number of
// moves that grows only with the logarithm of its length.
void GrowingBlock::Enlarge(size_t bytes) {
  size_t capacity = capacity_ ? capacity_ : kFirstSize;
  while (capacity < bytes) capacity *= 2;
  if (!data_) {
    data_ = pages_->Map(capacity, &capacity_);
    return;
  }
  data_ = pages_->Grow(data_, capacity, &capacity_);
}

}  // namespace qel2json::detail
