#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/string_table.h"

namespace {

class StringTable : public ::testing::Test {
 protected:
  void SetUp() override { ResetStrings(); }
};

TEST_F(StringTable, IndexZeroIsTheEmptyString) {
  EXPECT_STREQ(StringAt(0), "");
  EXPECT_EQ(StringLength(0), 0);
  StoreString("abc", 3);
  EXPECT_STREQ(StringAt(0), "");
}

TEST_F(StringTable, IndexesCountUpAndEqualTextsAreNotMerged) {
  EXPECT_EQ(StoreString("\"abc\"", 5), 1);
  EXPECT_EQ(StoreString("\"abc\"", 5), 2);
  EXPECT_STREQ(StringAt(1), "\"abc\"");
  EXPECT_STREQ(StringAt(2), "\"abc\"");
  EXPECT_NE(StringAt(1), StringAt(2));
}

TEST_F(StringTable, StoresExactlyTheGivenLength) {
  int i = StoreString("12.5e3 rest", 6);
  EXPECT_STREQ(StringAt(i), "12.5e3");
  EXPECT_EQ(StringLength(i), 6);
  int empty = StoreString("ignored", 0);
  EXPECT_STREQ(StringAt(empty), "");
  EXPECT_NE(empty, 0);
  // Around the length where the stored length needs more than a byte.
  for (int length : {253, 254, 255, 256, 70000}) {
    std::string text(size_t(length), 'q');
    int i = StoreString(text.data(), length);
    EXPECT_EQ(StringLength(i), length);
    EXPECT_EQ(StringAt(i), text);
  }
}

TEST_F(StringTable, NulBytesAreKeptWithTheirLength) {
  int i = StoreString("a\0b", 3);
  EXPECT_STREQ(StringAt(i), "a");
  EXPECT_EQ(StringLength(i), 3);
  EXPECT_EQ(std::string(StringAt(i), 3), std::string("a\0b", 3));
}

TEST_F(StringTable, EarlyTextsStayPutThroughManyStores) {
  std::vector<const char*> first;
  for (int i = 0; i < 10; ++i) {
    std::string t = "text" + std::to_string(i);
    StoreString(t.data(), int(t.size()));
    first.push_back(StringAt(i + 1));
  }
  std::string big(10000, 'x');
  for (int i = 0; i < 50000; ++i) StoreString(big.data(), i % 3 == 0 ? 10000 : 7);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(StringAt(i + 1), first[size_t(i)]);
    EXPECT_EQ(std::string(StringAt(i + 1)), "text" + std::to_string(i));
  }
  EXPECT_EQ(StringLength(50010), 7);
}

TEST_F(StringTable, KeptTextsTakeNoIndex) {
  EXPECT_STREQ(KeepText("char 'x' is not a token rest", 23), "char 'x' is not a token");
  EXPECT_EQ(StoreString("next", 4), 1);
}

}  // namespace
