// Building trees by hand where no description leads: which children
// coercion accepts or refuses.  (Where children and values are stored, and
// how lists close, the golden case every-construct shows end to end.)
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
