// The string table: the text of every literal kept beyond its token, under
// a small int, its StringIndex.  Texts are stored once and never changed,
// moved or released before the translation ends.
#pragma once

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
  // Equal texts are not merged.
  int Store(const char* text, int length) {
    index_.Push(Keep(text, length));
    return int(index_.size() - 1);
  }

  // The NUL-terminated text of an index that Store returned, or of 0.  No
  // range test is made.
  const char* At(int index) const { return index_[size_t(index)]; }

  // The number of bytes stored for an index; differs from strlen(At(i))
  // only when the text holds NUL bytes.
  int Length(int index) const {
    const char* text = At(index);
    int length = static_cast<unsigned char>(text[-1]);
    if (length == kLongMark) memcpy(&length, text - kLongPrefix, sizeof(int));
    return length;
  }

 private:
  // Each text is stored behind its length, so that it can be written out
  // whole even when it holds NUL bytes, and with a NUL behind it.  Most
  // literals are short: a length below 255 takes one byte,
  //   [length][bytes][NUL],
  // a longer one five,
  //   [int length][255][bytes][NUL].
  static constexpr int kLongMark = 255;
  static constexpr int kLongPrefix = 1 + sizeof(int);

  char* Room(size_t size);
  const char* Keep(const char* text, int length);

  Arena texts_;
  GrowingArray<const char*> index_;  // entry i points to the text of index i; it may move
  // Texts follow one another without gaps in pieces taken from the arena,
  // so that storing one costs a bounds test and two copies.
  char* next_ = nullptr;  // the free rest of the current piece
  char* end_ = nullptr;
};

}  // namespace qel2json::detail
