// The string table: every text kept beyond its token (literal texts, the
// input file name) under a small int, its StringIndex.  Texts are stored
// once, never changed, moved or released.
#pragma once

#include <obstack.h>

// The string memory.  Besides the stored texts, other modules may build a
// finished text in it directly (grow, append a NUL, finish); such a text gets
// no index.
extern struct obstack CsmObstack;

// Stores exactly length bytes of text (a NUL among them is copied too) and
// returns the new index: 1, 2, 3, ...  Index 0 names the empty string.
int StoreString(const char* text, int length);

// The NUL-terminated text of an index that StoreString returned, or of 0.
// No range test is made.
const char* StringAt(int index);

// The number of bytes stored for an index; differs from strlen(StringAt(i))
// only when the text holds NUL bytes.
int StringLength(int index);

// Releases every text and starts a new, empty table (for tests).
void ResetStrings();
