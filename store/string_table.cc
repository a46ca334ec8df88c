#include "store/string_table.h"

#include <cstdlib>
#include <cstring>

#include "memory/arena.h"
#include "memory/growing_block.h"

namespace {

// Each text is stored behind its length, so that it can be written out
// whole even when it holds NUL bytes: [int length][bytes][NUL].
constexpr int kPrefix = sizeof(int);
constexpr char kEmptyText[kPrefix + 1] = {};
const char* OnlyTheEmptyString[1] = {kEmptyText + kPrefix};

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
  char* at = Room(size_t(kPrefix + length + 1));
  memcpy(at, &length, kPrefix);
  memcpy(at + kPrefix, text, size_t(length));
  at[kPrefix + length] = '\0';
  return at + kPrefix;
}

}  // namespace

int StoreString(const char* text, int length) {
  if (table.count == table.capacity) GrowIndex();
  table.entries[table.count] = Store(text, length);
  return table.count++;
}

const char* StringAt(int index) { return table.entries[index]; }

int StringLength(int index) {
  int length;
  memcpy(&length, StringAt(index) - kPrefix, kPrefix);
  return length;
}

const char* KeepText(const char* text, int length) { return Store(text, length); }

// The index keeps its block, to be filled again.
void ResetStrings() {
  Texts.Release();
  Next = End = nullptr;
  table.count = 1;
}
