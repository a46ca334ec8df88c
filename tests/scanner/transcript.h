// Runs the scanner over one input and returns a
// transcript of everything it did, in order: one line per token and one per
// report.
//
//   1:3 T                      a token without value: line:column name
//   1:1 int 007=7              IntegerLiteral: its text and its attribute
//   1:1 real 1.5e3             RealLiteral: its stored text
//   2:4 str "a\tb"             StringLiteral: its stored text, control bytes
//                              escaped (\n, \r, \t, \\, \ooo)
//   3:1 end                    end of text (checked to repeat, not repeated)
//   1:5 ERROR: char 'G' ...    a report, without the file name
//
// Anything amiss (an attribute written for a token without value, a span
// that differs from the token's text, an end of text that does not repeat)
// adds a line beginning with "!".  A report that ends the translation adds
// "! ended".
//
// A scan may start elsewhere than line 1, column 1: as if the input stood
// on that line, behind as many bytes on it (see support/seams.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "source/position.h"

inline constexpr qel2json::detail::SrcPosition kFirstByte = {1, 1};

// The input delivered at once.
std::string ScanFile(const std::string& bytes, qel2json::detail::SrcPosition start = kFirstByte);

// The input delivered in exactly these pieces (cycled), as a pipe would.
std::string ScanPieces(const std::string& bytes, const std::vector<size_t>& pieces,
                       qel2json::detail::SrcPosition start = kFirstByte);

// Expects the transcript of bytes, delivered at once and in pieces of 1, of 2, and of 3 and 5 bytes alternately, to be
// expected.
void ExpectTranscript(const std::string& bytes, const std::string& expected,
                      qel2json::detail::SrcPosition start = kFirstByte);
