// The token processors of the three literal forms and the scanning of string
// literals.  String literals are validated, not decoded: the stored text
// keeps its quotes, escapes and line continuations byte for byte.
#pragma once

#include "store/string_table.h"

// AuxScanner for string literals: begin is the opening double quote, length
// the bytes already read (1).  Follows escapes and backslash-line-end
// continuations (refilling the buffer if the continued line is not there
// yet), keeps line and column counting right inside the literal, and reports
// a literal cut by a line end or by the end of the input.
char* ScanCString(char* begin, int length);

// p is the byte after a backslash; returns p advanced past the escape
// sequence, reporting a "\x" without hex digits and unknown escapes.
char* SkipEscape(char* p);

// What atoi gives for the digits at p, with an optional "-" before them:
// strtol's value, which saturates at the 64-bit limits, truncated to 32
// bits; never undefined, however many digits follow.
int AtoiValue(const char* p);

// TokenProcessor of IntegerLiteral: the value as atoi gives it.  The text
// is exactly "-"? digits; up to nine digits need no care for overflow.
inline void ConvertInteger(char* begin, int length, int*, int* attribute) {
  if (length > 9 + (*begin == '-')) {
    *attribute = AtoiValue(begin);
    return;
  }
  const char* p = begin + (*begin == '-');
  int value = 0;
  for (const char* end = begin + length; p < end; ++p) value = value * 10 + (*p - '0');
  *attribute = *begin == '-' ? -value : value;
}

// TokenProcessor of RealLiteral and StringLiteral: the StringIndex of the
// token's text exactly as written.
inline void StoreTokenText(char* begin, int length, int*, int* attribute) {
  *attribute = StoreString(begin, length);
}
