// Where a byte of the input stands as diagnostics and tokens count, worked
// out anew from the text, so that a test can hold the library's byte
// places against its lines and columns.  Used by the tests and the fuzz
// target alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "qel2json.h"

// The line and column the command line gives the byte at `offset`: lines
// end at a line feed, a carriage return or both; a tab moves what follows
// it to the next of the columns 1, 9, 17, ...
struct Coordinate {
  int line;
  int column;
};

// Moves c from the byte at i to the one after it.
inline void StepPast(std::string_view text, size_t i, Coordinate& c) {
  char b = text[i];
  if (b == '\n' || (b == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
    c = {c.line + 1, 1};
  } else if (b == '\t') {
    c.column += 8 - (c.column - 1) % 8;
  } else if (b != '\r') {
    ++c.column;
  }
}

inline Coordinate CoordinateOf(std::string_view text, size_t offset) {
  Coordinate c = {1, 1};
  for (size_t i = 0; i < offset && i < text.size(); ++i) StepPast(text, i, c);
  return c;
}

// The coordinate of every byte and of the end of the text, in one pass
// over a text too long to count from its start for each byte.
inline std::vector<Coordinate> CoordinatesOf(std::string_view text) {
  std::vector<Coordinate> all(1, {1, 1});
  all.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    all.push_back(all.back());
    StepPast(text, i, all.back());
  }
  return all;
}

// Whether a line and column name the byte at `offset`.  The end of a text
// whose last line has no line end has two names: the place after its last
// byte, where the line end is missing (a string cut there), and column 1
// of the next line, where a line end would have taken it (the end of the
// text as a token).
inline bool Names(std::string_view text, size_t offset, int line, int column) {
  Coordinate c = CoordinateOf(text, offset);
  if (line == c.line && column == c.column) return true;
  bool openEnd = offset == text.size() && !text.empty() && text.back() != '\n' && text.back() != '\r';
  return openEnd && line == c.line + 1 && column == 1;
}

// What is wrong with the place of diagnostic d of a translation of
// `input`, or "" when nothing is: its bytes must lie in the input and
// stand where its line and column say.  Three places are as the command
// line gives them: an escape names the line where its string literal
// begins, and the last column its byte covers (a tab escaped covers up to
// eight); an internal fault and a diagnostic without a line have no bytes.
inline std::string PlaceFault(std::string_view input, const qel2json_diagnostic& d) {
  if (d.offset > input.size() || d.length > input.size() - d.offset) return "bytes outside the input";
  if (d.line == 0 || d.code == QEL2JSON_CODE_INTERNAL_FAULT)
    return d.offset == 0 && d.length == 0 ? "" : "bytes without a place";
  Coordinate c = CoordinateOf(input, d.offset);
  bool escape = d.code == QEL2JSON_CODE_UNKNOWN_ESCAPE || d.code == QEL2JSON_CODE_HEX_ESCAPE_WITHOUT_DIGITS;
  int lastColumn = c.column;
  if (escape && d.offset < input.size() && input[d.offset] == '\t') lastColumn += 7 - (c.column - 1) % 8;
  if (escape ? d.column == lastColumn && d.line <= c.line : Names(input, d.offset, d.line, d.column)) return "";
  return "at " + std::to_string(d.line) + ":" + std::to_string(d.column) + " where the bytes are at " +
         std::to_string(c.line) + ":" + std::to_string(c.column);
}

// The same for a token or comment, which always stands where it says.
inline std::string PlaceFault(std::string_view input, const qel2json_token& t) {
  if (t.offset > input.size() || t.length > input.size() - t.offset) return "bytes outside the input";
  if (Names(input, t.offset, t.line, t.column)) return "";
  Coordinate c = CoordinateOf(input, t.offset);
  return "at " + std::to_string(t.line) + ":" + std::to_string(t.column) + " where the bytes are at " +
         std::to_string(c.line) + ":" + std::to_string(c.column);
}
