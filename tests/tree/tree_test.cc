// Building trees by hand: where children and values are stored, how lists
// grow and close, and which children coercion accepts or refuses.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/pieces.h"
#include "tree/construction.h"

namespace {

SrcPosition At{3, 4};

class Trees : public ::testing::Test {
 protected:
  Trees() { reports.Start(".", lines, &line); }
  int line = 1;
  PageSource pages;
  CollectedLines lines;
  Reports reports;
  Tree t{pages, reports};
};

TEST_F(Trees, ChildrenFirstThenValuesWithTheCoordinateExchange) {
  NodeRef coords = Mkrule_090(t, &At, Mkrule_091(t, &At), Mkrule_017(t, &At, 9, 1, 2, 3, 4));
  NodeRef expr = MkExpr(t, &At, Mkrule_103(t, &At, 5));
  NodeRef idents = Mkrule_093(t, &At);
  NodeRef refs = Mkrule_016(t, &At, coords, expr, 42, idents, 7);
  EXPECT_EQ(t.RuleOf(refs), R_rule_016);
  EXPECT_EQ(t.KindOf(refs), K_References);
  EXPECT_EQ(t.ChildOf(refs, 1), expr);
  EXPECT_EQ(t.ValueOf(refs, 0), 42);
  EXPECT_EQ(t.ValueOf(refs, 1), 7);
  EXPECT_EQ(t.ValueOf(t.ChildOf(expr, 0), 0), 5);
  EXPECT_EQ(t.ListLength(t.ChildOf(refs, 2)), 0);
  NodeRef coordinate = t.ListElements(t.ChildOf(refs, 0))[0];
  std::vector<int> stored;
  for (int j = 0; j < 5; ++j) stored.push_back(t.ValueOf(coordinate, j));
  EXPECT_EQ(stored, (std::vector<int>{9, 2, 1, 3, 4}));
}

// Lists that are open at once, nested or side by side, keep their own
// elements in order.
TEST_F(Trees, ListsCloseIntoTheirParentInOrder) {
  NodeRef first = Mkrule_074(t, &At, Mkrule_074(t, &At, Mkrule_075(t, &At), 11), 12);
  NodeRef inner = Mkrule_117(t, &At, Mkrule_118(t, &At), 7);
  NodeRef ident = Mkrule_029(t, &At, Mkrule_111(t, &At, Mkrule_034(t, &At, inner)));
  NodeRef second = Mkrule_074(t, &At, Mkrule_075(t, &At), 13);
  (void)ident;
  NodeRef param = Mkrule_010(t, &At, 1, 2, first, second, Mkrule_076(t, &At, 3), Mkrule_079(t, &At, Mkrule_043(t, &At, Mkrule_054(t, &At))));
  NodeRef reals1 = t.ChildOf(param, 0), reals2 = t.ChildOf(param, 1);
  ASSERT_EQ(t.ListLength(reals1), 2);
  EXPECT_EQ(t.ListElements(reals1)[0], 11u);
  EXPECT_EQ(t.ListElements(reals1)[1], 12u);
  ASSERT_EQ(t.ListLength(reals2), 1);
  EXPECT_EQ(t.ListElements(reals2)[0], 13u);
  NodeRef x = t.ChildOf(t.ChildOf(ident, 0), 0);
  ASSERT_EQ(t.ListLength(t.ChildOf(x, 0)), 1);
  EXPECT_EQ(t.ListElements(t.ChildOf(x, 0))[0], 7u);
}

TEST_F(Trees, ChainKindsAreWrappedOnceAndOthersComeBackUnchanged) {
  NodeRef kind = Mkrule_103(t, &At, 3);
  NodeRef assign = Mkrule_026(t, &At, Mkrule_029(t, &At, Mkrule_111(t, &At, Mkrule_034(t, &At, Mkrule_118(t, &At)))), kind);
  NodeRef expr = t.ChildOf(assign, 1);
  EXPECT_EQ(t.RuleOf(expr), R_rule_027);
  EXPECT_EQ(t.ChildOf(expr, 0), kind);
  EXPECT_EQ(MkAssign(t, &At, assign), assign);
  EXPECT_EQ(MkExpr(t, &At, 0), 0u);
  EXPECT_EQ(MkRoot(t, &At, expr), 0u);
  NodeRef identKind = Mkrule_107(t, &At, Mkrule_030(t, &At, Mkrule_118(t, &At)));
  NodeRef ident = MkIdent(t, &At, identKind);
  EXPECT_EQ(t.RuleOf(ident), R_rule_029);
  EXPECT_EQ(t.ChildOf(ident, 0), identKind);
}

// A refused child ends the translation, naming its place among the node
// children.
TEST_F(Trees, RefusedChildIsDeadly) {
  struct Case {
    std::function<void()> build;
    std::string text;
  };
  std::vector<Case> cases = {
      {[&] { Mkrule_026(t, &At, Mkrule_029(t, &At, Mkrule_107(t, &At, Mkrule_030(t, &At, Mkrule_118(t, &At)))), Mkrule_095(t, &At)); },
       "RULE rule_026: root of subtree no. 2 can not be made a Expr node "},
      {[&] { Mkrule_094(t, &At, Mkrule_095(t, &At), Mkrule_095(t, &At)); },
       "RULE rule_094: root of subtree no. 2 can not be made a Assign node "},
      {[&] { Mkrule_016(t, &At, Mkrule_091(t, &At), MkExpr(t, &At, Mkrule_103(t, &At, 1)), 1, Mkrule_095(t, &At), 2); },
       "RULE rule_016: root of subtree no. 3 can not be made a Seq_Of_Ident node "},
      {[&] { Mkrule_044(t, &At, NodeRef(0)); }, "RULE rule_044: root of subtree no. 1 can not be made a System node "},
  };
  for (const Case& c : cases) {
    t.Clear();
    lines.text.clear();
    EXPECT_THROW(c.build(), TranslationEnded);
    EXPECT_EQ(lines.text, "\".\", line 3:4 DEADLY: " + c.text + "\n");
  }
}

}  // namespace
