// String literals with their escapes, continuations and messages; integer
// values; the image of bytes in messages.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "scanner/scanner.h"
#include "scanner/literals.h"
#include "store/string_table.h"
#include "transcript.h"

namespace {

TEST(ScannerStrings, EscapesContinuationsAndUnclosedLines) {
  std::string input = R"("abc" "a\"b" "\x41g"
"\1017" "\q" "" "\x" "\8"
"\'\?\\\a\b\f\n\r\t\v\0\77\777\xfF0"
"ab\
cd" X
"open
X" Y
)";
  input += "\"a\tb\" X\n\"\\\tx\" Y\n\"a\\\r\n\tb\" U\n";
  input += "\"x\\\nab\\q\"\n";
  ExpectTranscript(input, R"(
1:1 str "abc"
1:7 str "a\\"b"
1:14 str "\\x41g"
2:1 str "\\1017"
2:11 NOTE: unknown escape sequence
2:9 str "\\q"
2:14 str ""
2:19 ERROR: \x used with no following hex digits
2:17 str "\\x"
2:24 NOTE: unknown escape sequence
2:22 str "\\8"
3:1 str "\\'\\?\\\\\\a\\b\\f\\n\\r\\t\\v\\0\\77\\777\\xfF0"
4:1 str "ab\\\ncd"
5:5 X
6:6 ERROR: String terminated by newline
6:1 ERROR: Illegal newline in string literal
6:1 str "open
7:1 X
7:5 ERROR: String terminated by newline
7:2 ERROR: Illegal newline in string literal
7:2 str " Y
8:1 str "a\tb"
8:12 X
9:8 NOTE: unknown escape sequence
9:1 str "\\\tx"
9:12 Y
10:1 str "a\\\r\n\tb"
11:12 U
12:4 NOTE: unknown escape sequence
12:1 str "x\\\nab\\q"
14:1 end
)");
}

TEST(ScannerStrings, InputEndingInAContinuation) {
  ExpectTranscript("X \"ab\\\n", R"(
1:1 X
1:3 ERROR: String terminated by end-of-file
1:3 str "ab\\
2:1 end
)");
  // The buffer adds the missing line feed.
  ExpectTranscript("\"ab\\", R"(
1:1 ERROR: String terminated by end-of-file
1:1 str "ab\\
2:1 end
)");
  for (const char* input : {"\"ab\\\r\n", "\"ab\\\r"}) {
    ExpectTranscript(input, R"(
1:1 ERROR: String terminated by end-of-file
1:1 str "ab\\\r
2:1 end
)");
  }
}

TEST(ScannerStrings, UnclosedOnTheLastLines) {
  // After a continuation the empty next line still ends the literal.
  ExpectTranscript("\"ab\\\n\n", R"(
2:1 ERROR: String terminated by newline
1:1 ERROR: Illegal newline in string literal
1:1 str "ab\\\n
3:1 end
)");
  ExpectTranscript("\"abc", R"(
1:5 ERROR: String terminated by newline
1:1 ERROR: Illegal newline in string literal
1:1 str "abc
2:1 end
)");
}

TEST(ConvertInteger, GivesWhatAtoiGives) {
  std::vector<std::string> texts = {"0", "-0", "2147483647", "2147483648", "-2147483648",
                                    "-2147483649", "4294967295", "4294967296", "99999999999",
                                    "9223372036854775807", "9223372036854775808",
                                    "-9223372036854775808", "-9223372036854775809",
                                    "18446744073709551616", "00000000000000000000000012",
                                    "-0000000000000000000000009223372036854775809"};
  for (size_t n = 1; n <= 25; ++n) {
    std::string power(n, '0');
    power[0] = '1';
    for (const std::string& body : {std::string(n, '9'), std::string(n, '7'), power}) {
      texts.push_back(body);
      texts.push_back("-" + body);
    }
  }
  for (const std::string& text : texts) {
    std::string token = text + " ";  // a literal is always followed by a non-digit
    int code = 7, attribute = 12345;
    ConvertInteger(token.data(), int(text.size()), &code, &attribute);
    EXPECT_EQ(attribute, atoi(text.c_str())) << text;
    EXPECT_EQ(code, 7);
  }
}

std::string ImageOf(int byte) {
  char image[4];
  return std::string(image, size_t(CharImage(byte, image)));
}

// The bytes that no scan can show in a "not a token" message.
TEST(CharImage, LineEndsTabQuoteAndPlainChars) {
  EXPECT_EQ(ImageOf('\t'), "\\t");
  EXPECT_EQ(ImageOf('\n'), "\\n");
  EXPECT_EQ(ImageOf('\r'), "\\r");
  EXPECT_EQ(ImageOf('"'), "\\\"");
  EXPECT_EQ(ImageOf('~'), "~");
  EXPECT_EQ(ImageOf(' '), " ");
  EXPECT_EQ(ImageOf(char(0xC8)), "\\310");  // a plain char may be signed
  EXPECT_EQ(ImageOf(0), "\\000");
}

}  // namespace
