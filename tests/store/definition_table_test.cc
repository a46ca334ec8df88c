#include <gtest/gtest.h>

#include "store/definition_table.h"

namespace {

// Selectors in decreasing order, read off the key's list.
std::vector<int> Selectors(DefKey key) {
  std::vector<int> s;
  for (PropEntry* e = key->first; e; e = e->next) s.push_back(e->selector);
  return s;
}

TEST(DefinitionTable, NullKeyIsAccepted) {
  EXPECT_EQ(GetProperty(ClpValue, nullptr, 42), 42);
  SetProperty(ClpValue, nullptr, 1, 2);
  PropEntry* unset = nullptr;
  EXPECT_EQ(find(nullptr, ClpValue, &unset, 0), 0);
  EXPECT_EQ(unset, nullptr);
}

TEST(DefinitionTable, NewKeyHoldsOnlyTheTerminator) {
  DefKey k = NewKey();
  EXPECT_EQ(Selectors(k), std::vector<int>{0});
}

TEST(DefinitionTable, MissingPropertyGivesDefaultAndAddsNothing) {
  DefKey k = NewKey();
  EXPECT_EQ(GetProperty(ClpValue, k, -1), -1);
  EXPECT_EQ(Selectors(k), std::vector<int>{0});
}

TEST(DefinitionTable, NewValueFirstExistingValueAfter) {
  DefKey k = NewKey();
  SetProperty(ClpValue, k, 10, 20);
  EXPECT_EQ(GetProperty(ClpValue, k, 0), 10);
  SetProperty(ClpValue, k, 30, 40);
  EXPECT_EQ(GetProperty(ClpValue, k, 0), 40);
  EXPECT_EQ(Selectors(k), (std::vector<int>{1, 0}));
}

TEST(DefinitionTable, EntriesStayInDecreasingSelectorOrder) {
  DefKey k = NewKey();
  for (int sel : {3, 7, 1, 5, 7, 3}) {
    PropEntry* e;
    find(k, sel, &e, sizeof(IntPropEntry));
    static_cast<IntPropEntry*>(e)->value = sel * 10;
  }
  EXPECT_EQ(Selectors(k), (std::vector<int>{7, 5, 3, 1, 0}));
  PropEntry* e;
  EXPECT_EQ(find(k, 5, &e, 0), 1);
  EXPECT_EQ(static_cast<IntPropEntry*>(e)->value, 50);
  // A pure lookup of a missing selector points where it would be inserted.
  EXPECT_EQ(find(k, 4, &e, 0), 0);
  EXPECT_EQ(e->selector, 3);
}

TEST(DefinitionTable, KeysAreIndependent) {
  DefKey a = NewKey(), b = NewKey();
  SetProperty(ClpValue, a, 1, 1);
  EXPECT_EQ(GetProperty(ClpValue, b, 9), 9);
}

}  // namespace
