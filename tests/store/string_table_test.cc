#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/faults.h"
#include "store/string_table.h"
#include "support/seams.h"

using namespace qel2json::detail;

namespace {

class Strings : public ::testing::Test {
 protected:
  PageSource pages;
  StringTable table{pages};
};

// Index 0 is the empty text, whatever is stored after it; indexes count up
// from 1, and equal texts are stored apart.
TEST_F(Strings, IndexesCountUpFromTheEmptyTextAndEqualTextsAreNotMerged) {
  EXPECT_STREQ(table.At(0), "");
  EXPECT_EQ(table.Store("\"abc\"", 5), 1);
  EXPECT_EQ(table.Store("\"abc\"", 5), 2);
  EXPECT_STREQ(table.At(1), "\"abc\"");
  EXPECT_STREQ(table.At(2), "\"abc\"");
  EXPECT_NE(table.At(1), table.At(2));
  EXPECT_STREQ(table.At(0), "");
  EXPECT_EQ(table.Length(0), 0u);
}

TEST_F(Strings, StoresExactlyTheGivenLength) {
  int i = table.Store("12.5e3 rest", 6);
  EXPECT_STREQ(table.At(i), "12.5e3");
  EXPECT_EQ(table.Length(i), 6u);
  int empty = table.Store("ignored", 0);
  EXPECT_STREQ(table.At(empty), "");
  EXPECT_NE(empty, 0);
  int nul = table.Store("a\0b", 3);  // a NUL byte is kept with the length
  EXPECT_EQ(std::string(table.At(nul), table.Length(nul)), std::string("a\0b", 3));
  // Around the length where the stored length needs more than a byte.
  for (int length : {253, 254, 255, 256, 70000}) {
    std::string text(size_t(length), 'q');
    int j = table.Store(text.data(), size_t(length));
    EXPECT_EQ(table.Length(j), size_t(length));
    EXPECT_EQ(table.At(j), text);
  }
}

// Lengths keep their exact value past every 32-bit bound: the largest
// text the arena's obstack holds, the smallest that stands alone, and one
// whose low 32 bits would read as the mark of a long length.  Texts stored
// around them keep theirs.
TEST_F(Strings, LengthsOfGigabytesAreExact) {
  int small = table.Store("\"s\"", 3);
  for (size_t length : {size_t(INT_MAX) - 10, size_t(INT_MAX) - 9, (size_t(1) << 32) + 255}) {
    char* bytes = nullptr;
    int i = StringTableSeam::AddUnwritten(table, length, &bytes);
    EXPECT_EQ(table.At(i), bytes);
    EXPECT_EQ(table.Length(i), length);
    EXPECT_EQ(bytes[length], '\0');
    bytes[0] = '"';
    bytes[length - 1] = '"';
  }
  int after = table.Store("\"after\"", 7);
  EXPECT_EQ(table.Length(small), 3u);
  EXPECT_STREQ(table.At(small), "\"s\"");
  EXPECT_EQ(table.Length(after), 7u);
  EXPECT_STREQ(table.At(after), "\"after\"");
}

TEST_F(Strings, EarlyTextsStayPutThroughManyStores) {
  std::vector<const char*> first;
  for (int i = 0; i < 10; ++i) {
    std::string t = "text" + std::to_string(i);
    table.Store(t.data(), t.size());
    first.push_back(table.At(i + 1));
  }
  std::string big(10000, 'x');
  for (int i = 0; i < 50000; ++i) table.Store(big.data(), i % 3 == 0 ? 10000 : 7);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(table.At(i + 1), first[size_t(i)]);
    EXPECT_EQ(std::string(table.At(i + 1)), "text" + std::to_string(i));
  }
  EXPECT_EQ(table.Length(50010), 7u);
}

// A table cleared after a large translation fills the same memory again.
TEST_F(Strings, ClearingKeepsTheMemory) {
  std::string big(100000, 'y');
  for (int round = 0; round < 3; ++round) {
    table.Clear();
    if (round == 2) FaultInjection::FailMappingsAfter(pages, 0);  // a third round needs no fresh memory
    for (int i = 0; i < 200; ++i) ASSERT_EQ(table.Store(big.data(), big.size()), i + 1);
  }
}

// No memory for a text ends the translation, and the table stays usable.
TEST_F(Strings, NoMemoryIsThrownAndTheTableGoesOn) {
  std::string big(1 << 20, 'z');
  FaultInjection::FailMappingsAfter(pages, 0);
  EXPECT_THROW(table.Store(big.data(), big.size()), OutOfMemory);
  table.Clear();
  EXPECT_EQ(table.Store("ok", 2), 1);
  EXPECT_STREQ(table.At(1), "ok");
}

}  // namespace
