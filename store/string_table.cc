#include "store/string_table.h"

namespace qel2json::detail {

namespace {

constexpr size_t kPiece = size_t(1) << 16;
constexpr char kEmptyText[2] = {};  // the length byte 0, then the text ""

}  // namespace

StringTable::StringTable(PageSource& pages) : texts_(pages, 1), index_(pages) { Clear(); }

// The index keeps its block, to be filled again.
void StringTable::Clear() {
  texts_.Release();
  next_ = end_ = nullptr;
  index_.Clear();
  index_.Push(kEmptyText + 1);
}

char* StringTable::Room(size_t size) {
  if (size > size_t(end_ - next_)) {
    size_t piece = size > kPiece ? size : kPiece;
    next_ = static_cast<char*>(texts_.Alloc(piece));
    end_ = next_ + piece;
  }
  char* at = next_;
  next_ += size;
  return at;
}

char* StringTable::Add(size_t length) {
  if (index_.size() > size_t(INT_MAX)) throw OutOfMemory{};
  bool small = length < kLongMark;
  size_t prefix = small ? 1 : kLongPrefix;
  char* stored = Room(prefix + length + 1) + prefix;
  if (small) {
    stored[-1] = char(length);
  } else {
    stored[-1] = char(kLongMark);
    memcpy(stored - kLongPrefix, &length, sizeof length);
  }
  stored[length] = '\0';
  index_.Push(stored);
  return stored;
}

}  // namespace qel2json::detail
