// The scanner: turns the text of the source buffer into the terminal codes of
// scanner/tokens.def, one token per NextToken call.
//
// Tokens are never copied: a token is the span [TokenBegin, TokenLimit)
// inside the buffer.  Literals are handed as begin and length to a token
// processor that computes their attribute; comments and string literals are
// scanned to their ends by auxiliary scanners, which may refill the buffer in
// the middle of the token.
#pragma once

// Computes a token's attribute from its span.  May write *attribute and may
// change *code (to another code, or to NoToken: "deliver nothing").
using TokenProcessor = void (*)(char* begin, int length, int* code, int* attribute);

// Scans on from the length bytes already read at begin and returns a pointer
// just past the token.  After a refill it sets TokenBegin to the token's new
// place and returns a pointer into the refilled text.
using AuxScanner = char* (*)(char* begin, int length);

// A code that means nothing is delivered and scanning goes on.
inline constexpr int NoToken = 15001;

// The span of the token last scanned; between calls, TokenLimit is where the
// next scan starts.
extern char* TokenBegin;
extern char* TokenLimit;

// Returns the terminal code of the next token (1 = end of text, returned
// again on every later call), leaves its coordinate in TokenPos, and writes
// *attribute for literals only: the value of an IntegerLiteral, the
// StringIndex of the text as written for a RealLiteral and a StringLiteral.
// For every other token *attribute is left untouched.
int NextToken(int* attribute);

// Refills the buffer keeping the text from begin on, and puts LineStart just
// before the new TextStart.  Returns the new TextStart.
char* auxNUL(char* begin, int length);

// Where a further source of text could be attached; attaches none.
char* auxEOF(char* begin, int length);

// Comments: scans past the line end behind begin + length and counts it.
char* auxScanEOL(char* begin, int length);

// The extra columns a tab covers when the byte after it would be at column
// (counting the tab as one column wide): moves that byte to the next tab stop
// (1, 9, 17, ...).  column is at least 2.
inline int TabAdvance(int column) { return 7 - (column - 2) % 8; }

// Appends the printable image of a byte (0..255) to the open object of
// CsmObstack: the byte itself when printable, else a C-style escape.
void AppendCharImage(int byte);

// Back to the state before the first NextToken call (for tests).
void ResetScanner();
