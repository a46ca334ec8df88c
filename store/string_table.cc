#include "store/string_table.h"

#include "memory/arena.h"

#include <cstdlib>
#include <cstring>

struct obstack CsmObstack;

namespace {

// Each text is stored behind its length, so that it can be written out whole
// even when it holds NUL bytes: [int length][bytes][NUL].
constexpr int kPrefix = sizeof(int);
constexpr char kEmptyText[kPrefix + 1] = {};

// The index array is the growing (never finished) object of its own
// obstack; it may move when it grows, so it is always reached through here.
struct obstack IndexObstack;
int Count;
void* FirstText;  // freeing back to it keeps the first chunk for reuse

// The table as before any store: only the empty string.
EXPANDS_OBSTACK_MACROS void Start() {
  FirstText = obstack_alloc(&CsmObstack, 1);
  const char* empty = kEmptyText + kPrefix;
  obstack_ptr_grow(&IndexObstack, empty);
  Count = 1;
}

// The tables are set up before main runs, so that a module may build a text
// in CsmObstack before the first store.
struct InitAtStart {
  InitAtStart() {
    InitLargeObstack(&CsmObstack, 1);
    InitLargeObstack(&IndexObstack, alignof(char*));
    Start();
  }
} initAtStart;

const char* const* Entries() { return static_cast<const char* const*>(obstack_base(&IndexObstack)); }

}  // namespace

EXPANDS_OBSTACK_MACROS int StoreString(const char* text, int length) {
  // One reservation for the length, the bytes and the NUL.
  int size = kPrefix + length + 1;
  obstack_make_room(&CsmObstack, size);
  char* at = static_cast<char*>(obstack_next_free(&CsmObstack));
  memcpy(at, &length, kPrefix);
  memcpy(at + kPrefix, text, size_t(length));
  at[kPrefix + length] = '\0';
  obstack_blank_fast(&CsmObstack, size);
  char* stored = static_cast<char*>(obstack_finish(&CsmObstack)) + kPrefix;
  // The obstack would grow the array by an eighth at a time, copying it
  // again and again; asking for as much room again as it holds doubles it.
  if (obstack_room(&IndexObstack) < sizeof(char*))
    obstack_make_room(&IndexObstack, obstack_object_size(&IndexObstack) + sizeof(char*));
  obstack_ptr_grow_fast(&IndexObstack, stored);
  return Count++;
}

const char* StringAt(int index) { return Entries()[index]; }

int StringLength(int index) {
  int length;
  memcpy(&length, StringAt(index) - kPrefix, kPrefix);
  return length;
}

EXPANDS_OBSTACK_MACROS void ResetStrings() {
  obstack_free(&CsmObstack, FirstText);
  obstack_free(&IndexObstack, obstack_base(&IndexObstack));
  Start();
}
