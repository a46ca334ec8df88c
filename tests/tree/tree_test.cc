// Building trees by hand: where children and values are stored, how lists
// grow and close, and which children coercion accepts or refuses.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/pieces.h"
#include "tree/construction.h"

using namespace qel2json::detail;

namespace {

SrcPosition At{3, 4};

class Trees : public ::testing::Test, protected ReportRig {
 protected:
  Trees() : ReportRig(".") {}
  Tree t{pages, reports};
};

TEST_F(Trees, ChildrenFirstThenValuesWithTheCoordinateExchange) {
  NodeRef coords = MkSeq_Of_Coordinate_Append(t, &At, MkSeq_Of_Coordinate_Empty(t, &At), MkCoordinate(t, &At, 9, 1, 2, 3, 4));
  NodeRef expr = CoerceToExpr(t, &At, MkExpr_Integer(t, &At, 5));
  NodeRef idents = MkSeq_Of_Ident_Empty(t, &At);
  NodeRef refs = MkReferences(t, &At, coords, expr, 42, idents, 7);
  EXPECT_EQ(t.RuleOf(refs), R_References);
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
  NodeRef first = MkSeq_Of_Real_Append(t, &At, MkSeq_Of_Real_Append(t, &At, MkSeq_Of_Real_Empty(t, &At), 11), 12);
  NodeRef inner = MkSeq_Of_Integer_Append(t, &At, MkSeq_Of_Integer_Empty(t, &At), 7);
  NodeRef ident = MkIdent(t, &At, MkIdent_X(t, &At, MkX(t, &At, inner)));
  NodeRef second = MkSeq_Of_Real_Append(t, &At, MkSeq_Of_Real_Empty(t, &At), 13);
  (void)ident;
  NodeRef param = MkParam(t, &At, 1, 2, first, second, MkParam_Startvalue_Real(t, &At, 3), MkParam_Debuginfo_Nil(t, &At, MkNil(t, &At, MkSeq_Of_String_Empty(t, &At))));
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
  NodeRef kind = MkExpr_Integer(t, &At, 3);
  NodeRef assign = MkAssign(t, &At, MkIdent(t, &At, MkIdent_X(t, &At, MkX(t, &At, MkSeq_Of_Integer_Empty(t, &At)))), kind);
  NodeRef expr = t.ChildOf(assign, 1);
  EXPECT_EQ(t.RuleOf(expr), R_Expr);
  EXPECT_EQ(t.ChildOf(expr, 0), kind);
  EXPECT_EQ(CoerceToAssign(t, &At, assign), assign);
  EXPECT_EQ(CoerceToExpr(t, &At, 0), 0u);
  EXPECT_EQ(CoerceToRoot(t, &At, expr), 0u);
  NodeRef identKind = MkIdent_T(t, &At, MkT(t, &At, MkSeq_Of_Integer_Empty(t, &At)));
  NodeRef ident = CoerceToIdent(t, &At, identKind);
  EXPECT_EQ(t.RuleOf(ident), R_Ident);
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
      {[&] { MkAssign(t, &At, MkIdent(t, &At, MkIdent_T(t, &At, MkT(t, &At, MkSeq_Of_Integer_Empty(t, &At)))), MkSeq_Of_Assign_Empty(t, &At)); },
       "RULE Assign: root of subtree no. 2 can not be made a Expr node "},
      {[&] { MkSeq_Of_Assign_Append(t, &At, MkSeq_Of_Assign_Empty(t, &At), MkSeq_Of_Assign_Empty(t, &At)); },
       "RULE Seq_Of_Assign_Append: root of subtree no. 2 can not be made a Assign node "},
      {[&] { MkReferences(t, &At, MkSeq_Of_Coordinate_Empty(t, &At), CoerceToExpr(t, &At, MkExpr_Integer(t, &At, 1)), 1, MkSeq_Of_Assign_Empty(t, &At), 2); },
       "RULE References: root of subtree no. 3 can not be made a Seq_Of_Ident node "},
      {[&] { MkQel_Object_System(t, &At, NodeRef(0)); }, "RULE Qel_Object_System: root of subtree no. 1 can not be made a System node "},
  };
  for (const Case& c : cases) {
    t.Clear();
    lines.text.clear();
    EXPECT_THROW(c.build(), TranslationEnded);
    EXPECT_EQ(lines.text, "\".\", line 3:4 DEADLY: " + c.text + "\n");
  }
}

}  // namespace
