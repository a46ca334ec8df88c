// The string table: every text kept beyond its token (literal texts, the
// input file name) under a small int, its StringIndex.  Texts are stored
// once and never changed, moved or released before the run ends.
#pragma once

// Stores exactly length bytes of text (a NUL among them is copied too) and
// returns the new index: 1, 2, 3, ...  Index 0 names the empty string.
// Equal texts are not merged.
int StoreString(const char* text, int length);

// The NUL-terminated text of an index that StoreString returned, or of 0.
// No range test is made.
const char* StringAt(int index);

// The number of bytes stored for an index; differs from strlen(StringAt(i))
// only when the text holds NUL bytes.
int StringLength(int index);

// Keeps a NUL-terminated copy of length bytes in the string memory for the
// rest of the run, without an index (the scanner's message texts).
const char* KeepText(const char* text, int length);

// Back to the start state: only the empty string, every text released.
void ResetStrings();
