// The token processors of the three literal forms and the scanning of string
// literals.  String literals are validated, not decoded: the stored text
// keeps its quotes, escapes and line continuations byte for byte.
#pragma once

// AuxScanner for string literals: begin is the opening double quote, length
// the bytes already read (1).  Follows escapes and backslash-line-end
// continuations (refilling the buffer if the continued line is not there
// yet), keeps line and column counting right inside the literal, and reports
// a literal cut by a line end or by the end of the input.
char* ScanCString(char* begin, int length);

// p is the byte after a backslash; returns p advanced past the escape
// sequence, reporting a "\x" without hex digits and unknown escapes.
char* SkipEscape(char* p);

// TokenProcessor of IntegerLiteral: the value as atoi gives it (the 64-bit
// saturated value truncated to 32 bits), never undefined for long inputs.
void ConvertInteger(char* begin, int length, int* code, int* attribute);

// TokenProcessor of RealLiteral and StringLiteral: the StringIndex of the
// token's text exactly as written.
void StoreTokenText(char* begin, int length, int* code, int* attribute);
