// Building trees by hand: where children and values are stored, how lists
// grow and close, and which children coercion accepts or refuses.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"
#include "tree/construction.h"
#include "tree/node_stack.h"

namespace {

SrcPosition At{3, 4};

class Tree : public ::testing::Test {
 protected:
  void SetUp() override { TreeInit(); }
};

TEST_F(Tree, ChildrenFirstThenValuesWithTheCoordinateExchange) {
  NodeRef coords = Mkrule_090(&At, Mkrule_091(&At), Mkrule_017(&At, 9, 1, 2, 3, 4));
  NodeRef expr = MkExpr(&At, Mkrule_103(&At, 5));
  NodeRef idents = Mkrule_093(&At);
  NodeRef refs = Mkrule_016(&At, coords, expr, 42, idents, 7);
  EXPECT_EQ(RuleOf(refs), R_rule_016);
  EXPECT_EQ(KindOf(refs), K_References);
  EXPECT_EQ(ChildOf(refs, 1), expr);
  EXPECT_EQ(ValueOf(refs, 0), 42);
  EXPECT_EQ(ValueOf(refs, 1), 7);
  EXPECT_EQ(ValueOf(ChildOf(expr, 0), 0), 5);
  EXPECT_EQ(ListLength(ChildOf(refs, 2)), 0);
  NodeRef coordinate = ListElements(ChildOf(refs, 0))[0];
  std::vector<int> stored;
  for (int j = 0; j < 5; ++j) stored.push_back(ValueOf(coordinate, j));
  EXPECT_EQ(stored, (std::vector<int>{9, 2, 1, 3, 4}));
}

// Lists that are open at once, nested or side by side, keep their own
// elements in order.
TEST_F(Tree, ListsCloseIntoTheirParentInOrder) {
  NodeRef first = Mkrule_074(&At, Mkrule_074(&At, Mkrule_075(&At), 11), 12);
  NodeRef inner = Mkrule_117(&At, Mkrule_118(&At), 7);
  NodeRef ident = Mkrule_029(&At, Mkrule_111(&At, Mkrule_034(&At, inner)));
  NodeRef second = Mkrule_074(&At, Mkrule_075(&At), 13);
  (void)ident;
  NodeRef param = Mkrule_010(&At, 1, 2, first, second, Mkrule_076(&At, 3), Mkrule_079(&At, Mkrule_043(&At, Mkrule_054(&At))));
  NodeRef reals1 = ChildOf(param, 0), reals2 = ChildOf(param, 1);
  ASSERT_EQ(ListLength(reals1), 2);
  EXPECT_EQ(ListElements(reals1)[0], 11u);
  EXPECT_EQ(ListElements(reals1)[1], 12u);
  ASSERT_EQ(ListLength(reals2), 1);
  EXPECT_EQ(ListElements(reals2)[0], 13u);
  NodeRef x = ChildOf(ChildOf(ident, 0), 0);
  ASSERT_EQ(ListLength(ChildOf(x, 0)), 1);
  EXPECT_EQ(ListElements(ChildOf(x, 0))[0], 7u);
}

TEST_F(Tree, ChainKindsAreWrappedOnceAndOthersComeBackUnchanged) {
  NodeRef kind = Mkrule_103(&At, 3);
  NodeRef assign = Mkrule_026(&At, Mkrule_029(&At, Mkrule_111(&At, Mkrule_034(&At, Mkrule_118(&At)))), kind);
  NodeRef expr = ChildOf(assign, 1);
  EXPECT_EQ(RuleOf(expr), R_rule_027);
  EXPECT_EQ(ChildOf(expr, 0), kind);
  EXPECT_EQ(MkAssign(&At, assign), assign);
  EXPECT_EQ(MkExpr(&At, 0), 0u);
  EXPECT_EQ(MkRoot(&At, expr), 0u);
  NodeRef identKind = Mkrule_107(&At, Mkrule_030(&At, Mkrule_118(&At)));
  NodeRef ident = MkIdent(&At, identKind);
  EXPECT_EQ(RuleOf(ident), R_rule_029);
  EXPECT_EQ(ChildOf(ident, 0), identKind);
}

// A refused child ends the run, naming its place among the node children.
TEST(Coercion, RefusedChildIsDeadly) {
  struct Case {
    std::function<void()> build;
    std::string text;
  };
  std::vector<Case> cases = {
      {[] { Mkrule_026(&At, Mkrule_029(&At, Mkrule_107(&At, Mkrule_030(&At, Mkrule_118(&At)))), Mkrule_095(&At)); },
       "RULE rule_026: root of subtree no. 2 can not be made a Expr node "},
      {[] { Mkrule_094(&At, Mkrule_095(&At), Mkrule_095(&At)); },
       "RULE rule_094: root of subtree no. 2 can not be made a Assign node "},
      {[] { Mkrule_016(&At, Mkrule_091(&At), MkExpr(&At, Mkrule_103(&At, 1)), 1, Mkrule_095(&At), 2); },
       "RULE rule_016: root of subtree no. 3 can not be made a Seq_Of_Ident node "},
      {[] { Mkrule_044(&At, NodeRef(0)); }, "RULE rule_044: root of subtree no. 1 can not be made a System node "},
  };
  for (const Case& c : cases) {
    Outcome o = RunInChild([&] {
      TreeInit();
      c.build();
    });
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "\".\", line 3:4 DEADLY: " + c.text + "\n");
  }
}

TEST_F(Tree, TheNodeStackKeepsItsEntriesAsItGrows) {
  for (NodeRef i = 1; i <= 1000; ++i) {
    NodeStackPush();
    NodeStack[NodeStackTop] = i;
  }
  ASSERT_EQ(NodeStackTop, 1000);
  for (int i = 1; i <= 1000; ++i) EXPECT_EQ(NodeStack[i], NodeRef(i));
}

}  // namespace
