// The scanner: turns the text of the source buffer into the terminal codes
// of tokens.def, one token per NextToken call.
//
// Tokens are never copied: a token is the span [TokenBegin, TokenLimit)
// inside the buffer.  Literals are handed as begin and length to a token
// processor that computes their attribute (literals.h); comments and string
// literals are scanned to their ends by auxiliary scanners, which may refill
// the buffer in the middle of the token.
#pragma once

#include "source/source_buffer.h"

// A code that means nothing is delivered and scanning goes on.
inline constexpr int NoToken = 15001;

// The span of the token last scanned; between calls, TokenLimit is where the
// next scan starts.
extern char* TokenBegin;
extern char* TokenLimit;

// Starts the scan at the beginning of the source buffer's text.
void StartScanning();

// Returns the terminal code of the next token (1 = end of text, returned
// again on every later call), leaves its coordinate in TokenPos, and writes
// *attribute for literals only: the value of an IntegerLiteral, the
// StringIndex of the text as written for a RealLiteral and a StringLiteral.
// For every other token *attribute is left untouched.
int NextToken(int* attribute);

// Refills the buffer keeping the text from begin on, and puts LineStart just
// before the new TextStart.  Returns the new TextStart.
char* auxNUL(char* begin, int length);

// Comments: scans past the line end behind begin + length and counts it.
// Returns where the next line starts.
char* auxScanEOL(char* begin, int length);

// The image of a byte (0..255) in messages: the byte itself when printable,
// else a C-style escape.  Writes it to image and returns its length (1..4).
int CharImage(int byte, char image[4]);

// ---- Line ends and tabs, shared by the scanner and its literal scanners ----

// p is at a line end: a line feed, a carriage return, or both together.
// Returns the first byte after it.
inline char* StepOverLineEnd(char* p) {
  if (*p++ == '\r' && *p == '\n') ++p;
  return p;
}

// p is the first byte of a new line: counts the line and starts its columns.
inline void StartLine(char* p) {
  ++CurrentLine;
  LineStart = p - 1;
}

// A token that goes on past a line end (a comment, a continued string) needs
// the next line.  When p, the first byte of that line, is where the
// available text ends, refills keeping the token from TokenBegin (which
// moves with it).  Returns where p stands now; that is still the end of the
// available text when the input ends.
inline char* ContinueToken(char* p) {
  if (p != SrcBuffer->textEnd) return p;
  int offset = int(p - TokenBegin);
  TokenBegin = auxNUL(TokenBegin, offset);
  return TokenBegin + offset;
}

// The extra columns a tab covers when the byte after it would be at column
// (counting the tab as one column wide): moves that byte to the next tab stop
// (1, 9, 17, ...).  column is at least 2.
inline int TabAdvance(int column) { return 7 - (column - 2) % 8; }

// afterTab is the byte behind a tab: moves the columns of the rest of the
// line to the next tab stop.
inline void PassTab(char* afterTab) { LineStart -= TabAdvance(int(afterTab - LineStart)); }
