#include "store/string_table.h"

#include <cstdlib>
#include <cstring>

#include "memory/arena.h"
#include "memory/growing_block.h"

namespace {

// Each text is stored behind its length, so that it can be written out
// whole even when it holds NUL bytes, and with a NUL behind it.  Most
// literals are short: a length below 255 takes one byte,
//   [length][bytes][NUL],
// a longer one five,
//   [int length][255][bytes][NUL].
constexpr int kLongMark = 255;
constexpr int kLongPrefix = 1 + sizeof(int);
constexpr char kEmptyText[2] = {};
const char* OnlyTheEmptyString[1] = {kEmptyText + 1};

struct Table {
  // Entry i points to the text of index i.  The array doubles when it is
  // full, so it may move: nobody keeps a pointer into it.
  const char** entries = OnlyTheEmptyString;
  int count = 1;
  int capacity = 1;
};

Arena Texts(1);
GrowingBlock Index;
Table table;

// Texts follow one another without gaps in pieces taken from the arena, so
// that storing one costs a bounds test and two copies.
constexpr size_t kPiece = size_t(1) << 16;
char* Next;  // the free rest of the current piece
char* End;

void GrowIndex() {
  Index.Reserve(size_t(table.capacity) * 2 * sizeof(char*));
  bool initial = table.entries == OnlyTheEmptyString;
  table.entries = static_cast<const char**>(Index.data());
  if (initial) table.entries[0] = OnlyTheEmptyString[0];
  table.capacity = int(Index.capacity() / sizeof(char*));
}

char* Room(size_t size) {
  if (size > size_t(End - Next)) {
    size_t piece = size > kPiece ? size : kPiece;
    Next = static_cast<char*>(Texts.Alloc(piece));
    End = Next + piece;
  }
  char* at = Next;
  Next += size;
  return at;
}

char* Store(const char* text, int length) {
  bool small = length < kLongMark;
  char* stored = Room(size_t((small ? 1 : kLongPrefix) + length + 1)) + (small ? 1 : kLongPrefix);
  if (small) {
    stored[-1] = char(length);
  } else {
    stored[-1] = char(kLongMark);
    memcpy(stored - kLongPrefix, &length, sizeof(int));
  }
  memcpy(stored, text, size_t(length));
  stored[length] = '\0';
  return stored;
}

}  // namespace

int StoreString(const char* text, int length) {
  if (table.count == table.capacity) GrowIndex();
  table.entries[table.count] = Store(text, length);
  return table.count++;
}

const char* StringAt(int index) { return table.entries[index]; }

int StringLength(int index) {
  const char* text = StringAt(index);
  int length = static_cast<unsigned char>(text[-1]);
  if (length == kLongMark) memcpy(&length, text - kLongPrefix, sizeof(int));
  return length;
}

const char* KeepText(const char* text, int length) { return Store(text, length); }

// The index keeps its block, to be filled again.
void ResetStrings() {
  Texts.Release();
  Next = End = nullptr;
  table.count = 1;
}
