// The string table: the text of every literal kept beyond its token, under
// a small int, its StringIndex.  Texts are stored once and never changed,
// moved or released before the translation ends.
#pragma once

#include <climits>
#include <cstddef>
#include <cstring>

#include "memory/arena.h"
#include "memory/growing_array.h"

namespace qel2json::detail {

class StringTable {
 public:
  // Starts with only the empty string.
  explicit StringTable(PageSource& pages);

  // Back to the start: only the empty string, every text released (its
  // memory kept, to be filled again).
  void Clear();

  // Stores exactly length bytes of text (a NUL among them is copied too) and
  // returns the new index: 1, 2, 3, ...  Index 0 names the empty string.
  // Equal texts are not merged.  More texts than an int can count are
  // OutOfMemory, as nodes beyond the tree's references are.
  int Store(const char* text, size_t length) {
    memcpy(Add(length), text, length);
    return int(index_.size() - 1);
  }

  // The NUL-terminated text of an index that Store returned, or of 0.  No
  // range test is made.
  const char* At(int index) const { return index_[size_t(index)]; }

  // The number of bytes stored for an index; differs from strlen(At(i))
  // only when the text holds NUL bytes.
  size_t Length(int index) const {
    const char* text = At(index);
    size_t length = static_cast<unsigned char>(text[-1]);
    if (length == kLongMark) memcpy(&length, text - kLongPrefix, sizeof length);
    return length;
  }

 private:
  // Each text is stored behind its length, so that it can be written out
  // whole even when it holds NUL bytes, and with a NUL behind it.  Most
  // literals are short: a length below 255 takes one byte,
  //   [length][bytes][NUL],
  // a longer one nine, so that a text of any size keeps its length,
  //   [size_t length][255][bytes][NUL].
  static constexpr size_t kLongMark = 255;
  static constexpr size_t kLongPrefix = 1 + sizeof(size_t);

  friend class StringTableSeam;  // tests: texts of gigabytes without their bytes

  char* Room(size_t size);
  // A new index for a text of `length` bytes, with its length in front and
  // its NUL behind: returns where its bytes go.
  char* Add(size_t length);

  Arena texts_;
  GrowingArray<const char*> index_;  // entry i points to the text of index i; it may move
  // Texts follow one another without gaps in pieces taken from the arena,
  // so that storing one costs a bounds test and two copies.
  char* next_ = nullptr;  // the free rest of the current piece
  char* end_ = nullptr;
};

}  // namespace qel2json::detail
