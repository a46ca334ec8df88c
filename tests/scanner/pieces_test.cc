// Inputs that arrive in pieces, so that the buffer refills in every possible
// place, and NUL bytes in the input.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "transcript.h"

namespace {

using namespace std::string_literals;

void ExpectPieces(const std::string& bytes, const std::vector<size_t>& pieces, const std::string& expected) {
  EXPECT_EQ(ScanPieces(bytes, pieces), expected) << "pieces of " << pieces[0];
  EXPECT_EQ(ScanFile(bytes), expected) << "read at once";
}

TEST(ScannerNul, FirstByteOfARefilledText) {
  ExpectPieces("X\n\0Y\n"s, {2, 3}, "1:1 X\n2:1 ERROR: char '\\000' is not a token\n2:2 Y\n3:1 end\n");
  ExpectPieces("--c\n\0\n"s, {4, 2}, "2:1 ERROR: char '\\000' is not a token\n3:1 end\n");
  ExpectPieces("\"ab\\\n\0c\"\n"s, {5, 4}, "1:1 str \"ab\\\\\\n\\000c\"\n3:1 end\n");
}

TEST(ScannerPieces, ReturnAndLineFeedInSeparatePieces) {
  std::string input = "A\r\nP\r\n\"s\\\r\nt\" --c\r\nU\r";
  std::string expected = "1:1 A\n2:1 P\n3:1 str \"s\\\\\\r\\nt\"\n5:1 U\n6:1 end\n";
  for (const std::vector<size_t>& pieces : {std::vector<size_t>{2, 1}, {1, 2}, {3}, {11, 1}})
    ExpectPieces(input, pieces, expected);
}

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
