// A long input that arrives in pieces, so that the buffer refills in
// every possible place (short inputs in given pieces: transcripts/*.pieces).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "transcript.h"

namespace {

// A description several reads long: a line longer than a read, a comment
// longer than a read, and a string literal continued over more than a read,
// mixed with every kind of token, tab and line end.
std::string LongInput() {
  std::string text = "SYSTEM LINEAR < \"plant\" >\t-- head\r\n";
  text += "<";
  for (int i = 0; i < 1200; ++i) text += " NIL 12 -3.5e2";
  text += " >\n--" + std::string(5000, 'c') + "\r";
  text += "\"";
  for (int i = 0; i < 150; ++i) text += "part\t" + std::to_string(i) + " \\x4F\\\r\n";
  text += "end\" X\n";
  for (int i = 0; i < 300; ++i) {
    text += "  < \"k\" 1.0F ALLY> -- line " + std::to_string(i);
    text += i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r\n" : "\r";
    if (i % 50 == 0) text += "\tINTEGE\n";  // a few errors, far apart
  }
  return text + "\tY";
}

TEST(ScannerPieces, LongInputGivesTheSameTokensHoweverItArrives) {
  std::string input = LongInput();
  std::string expected = ScanFile(input);
  EXPECT_EQ(expected.find('!'), std::string::npos) << expected;
  EXPECT_NE(expected.find("end\"\n154:6 X\n"), std::string::npos);
  for (const std::vector<size_t>& pieces :
       {std::vector<size_t>{4095, 2}, {7, 1, 13}, {4097}, {1000}, {64, 3}})
    EXPECT_EQ(ScanPieces(input, pieces), expected) << "pieces of " << pieces[0];
}

}  // namespace
