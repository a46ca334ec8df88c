// The scanner: turns the text of the source buffer into the terminal codes
// of tokens.def, one token per Next call.
//
// Tokens are never copied: a token is the span [tokenBegin, tokenLimit)
// inside the buffer.  The texts of real and string literals go into the
// string table; comments and string literals are scanned to their ends by
// auxiliary scanners, which may refill the buffer in the middle of the
// token.
#pragma once

#include <cstddef>
#include <cstdint>

#include "source/position.h"
#include "source/report.h"
#include "source/source_buffer.h"
#include "store/string_table.h"

namespace qel2json::detail {

// A code that means nothing is delivered and scanning goes on.
inline constexpr int NoToken = 15001;

// Told of every comment the scanner passes over, for tools that show the
// text (an editor's highlighting).  Scanning without one costs nothing.
class CommentObserver {
 public:
  // The comment's bytes from its "--" to its line end (exclusive), from
  // input offset `offset` on (and at `text` during the call), at
  // `position`.
  virtual void Comment(size_t offset, size_t length, SrcPosition position, const char* text) = 0;

 protected:
  ~CommentObserver() = default;
};

namespace scan_tables {
struct Match;  // the longest complete token that one attempt of the automaton has passed
enum ByteKind : uint8_t;  // what a byte can begin
}

class Scanner {
 public:
  Scanner(SourceBuffer& source, StringTable& strings, Reports& reports);
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Starts the scan at the beginning of the source buffer's text, on line 1.
  void Start();

  // Returns the terminal code of the next token (1 = end of text, returned
  // again on every later call), leaves its coordinate in tokenPos(), and
  // writes *attribute for literals only: the value of an IntegerLiteral,
  // the StringIndex of the text as written for a RealLiteral and a
  // StringLiteral.  For every other token *attribute is left untouched.
  int Next(int* attribute);

  // The coordinate of the token most recently recognised.
  const SrcPosition& tokenPos() const { return tokenPos_; }
  // The number of the line being scanned, from 1.
  const int* currentLine() const { return &currentLine_; }
  // The span of the token last scanned.
  const char* tokenBegin() const { return tokenBegin_; }
  const char* tokenLimit() const { return tokenLimit_; }
  // Where the token last scanned begins in the whole input, from 0.
  size_t tokenOffset() const { return source_->OffsetOf(tokenBegin_); }
  // The token last scanned as reports name it: its coordinate and bytes.
  // The end of the text stands at the input's size, also where the source
  // buffer added a line feed to a last line without one.
  Place tokenPlace() const;

  // Tells `observer` (or nobody, when null) of every comment from the next
  // scan on.
  void ObserveComments(CommentObserver* observer) { comments_ = observer; }

  // Whether the next scans read a run of letters that is no keyword (nor
  // keywords one after the other) as one word: one report over the whole
  // word, which is then read as the keyword it resembles, or skipped when
  // it resembles none.  Off, as the command line scans, every byte that
  // begins no token is reported on its own.
  void ReadWordsWhole(bool whole);

 private:
  using Match = scan_tables::Match;

  // scanner.cc
  int ScanOnward(char* p, int* attribute);
  void StartToken(char* begin);
  int Finish(char* begin, Match match, int* attribute);
  int ScanString(int* attribute);
  int ScanWord(char* begin, int* attribute);
  int EndOfText();
  void ReportFirstByte(Code code);
  char* Refill(char* begin);
  char* ScanComment(char* begin);

  // literals.cc
  char* ScanCString(char* begin);
  char* SkipEscape(char* p);
  void ReportEscape(Code code, char* at);
  void ReportCutByLineEnd(char* lineEnd);

  // ---- Line ends and tabs, shared by the scanner and its literal scanners ----

  static uintptr_t AddressOf(const char* p) { return reinterpret_cast<uintptr_t>(p); }

  // p is the first byte of a new line: counts the line and starts its
  // columns.  The count stops at INT_MAX (source/position.h).
  void StartLine(char* p) {
    currentLine_ += currentLine_ < INT_MAX;
    lineStart_ = AddressOf(p) - 1;
  }

  // The column of the byte at p, exact however long the line, and as it
  // is shown.
  size_t ColumnOf(const char* p) const { return AddressOf(p) - lineStart_; }
  int ShownColumn(const char* p) const { return Saturated(ColumnOf(p)); }

  // A token that goes on past a line end (a comment, a continued string)
  // needs the next line.  When p, the first byte of that line, is where the
  // available text ends, refills keeping the token from tokenBegin_ (which
  // moves with it).  Returns where p stands now; that is still the end of
  // the available text when the input ends.
  char* ContinueToken(char* p) {
    if (p != source_->textEnd()) return p;
    size_t offset = size_t(p - tokenBegin_);
    tokenBegin_ = Refill(tokenBegin_);
    return tokenBegin_ + offset;
  }

  // afterTab is the byte behind a tab: moves the columns of the rest of the
  // line to the next tab stop.
  void PassTab(char* afterTab);

  SourceBuffer* source_;
  StringTable* strings_;
  Reports* reports_;
  CommentObserver* comments_ = nullptr;
  // What each byte can begin: scan_tables' kByteKind, or with words read
  // whole its kByteKindOfWords.
  const scan_tables::ByteKind* byteKinds_;
  // Where the runs of letters checked to be keywords throughout end, as an
  // input offset: the later keywords of a run are not checked again.
  size_t wordsCheckedTo_ = 0;
  char* tokenBegin_ = nullptr;
  char* tokenLimit_ = nullptr;  // between calls, where the next scan starts
  SrcPosition tokenPos_ = {0, 0};
  int currentLine_ = 1;
  // The address of the byte before the first character of the current line,
  // so that the column of the byte at p is its address minus this.  Tabs
  // move it back, before the line and even before the buffer, where a
  // pointer could not go: an address in an integer can.
  uintptr_t lineStart_ = 0;

  friend class ScannerSeam;  // tests: a scan that starts on a far line and column
};

// p is at a line end: a line feed, a carriage return, or both together.
// Returns the first byte after it.
inline char* StepOverLineEnd(char* p) {
  if (*p++ == '\r' && *p == '\n') ++p;
  return p;
}

// The extra columns a tab covers when the byte after it would be at column
// (counting the tab as one column wide): moves that byte to the next tab stop
// (1, 9, 17, ...).  column is at least 2.
inline size_t TabAdvance(size_t column) { return 7 - (column - 2) % 8; }

inline void Scanner::PassTab(char* afterTab) { lineStart_ -= TabAdvance(ColumnOf(afterTab)); }

// The literal class of the number that begins at `begin` as the scanner
// reads it (TK_IntegerLiteral, TK_RealLiteral, or 0 for none), and in *end
// where it ends.  Some byte that no number takes must follow it, as a line
// end always does in the scanner's text; the JSON reader checks values so.
int NumberAt(const char* begin, const char** end);

// The image of a byte (0..255) in messages: the byte itself when printable,
// else a C-style escape.  Writes it to image and returns its length (1..4).
int CharImage(int byte, char image[4]);

// The value of an IntegerLiteral, whose text is exactly "-"? digits and is
// followed by a byte that is no digit: what atoi gives, strtol's value
// (which saturates at the 64-bit limits) truncated to 32 bits; never
// undefined, however many digits follow.
int SaturatedValue(const char* begin);
inline int IntegerValue(const char* begin, size_t length) {
  bool negative = *begin == '-';
  if (length > size_t(9 + negative)) return SaturatedValue(begin);  // up to nine digits need no care for overflow
  int value = 0;
  for (const char* p = begin + negative, *end = begin + length; p < end; ++p) value = value * 10 + (*p - '0');
  return negative ? -value : value;
}

}  // namespace qel2json::detail
