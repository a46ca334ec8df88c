// Integer values as the C library gives them, and the image of bytes in
// messages.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scanner/scanner.h"

using namespace qel2json::detail;

namespace {

TEST(IntegerValue, GivesWhatAtoiGives) {
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
    EXPECT_EQ(IntegerValue(token.data(), text.size()), atoi(text.c_str())) << text;
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
