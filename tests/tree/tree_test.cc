#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"
#include "tree/walk.h"
#include "tree/construction.h"
#include "tree/node_stack.h"

namespace {

// The walk records the order of its visits; each visit yields its rule
// number and the number of values it was handed.
std::vector<std::string> Visits;

VisitValue Record(const Node* n, const VisitValue* children) {
  std::string entry(kRules[size_t(n->rule)].name);
  for (int i = 0; i < kRules[size_t(n->rule)].childCount; ++i)
    entry.append(" ").append(kRules[size_t(reinterpret_cast<intptr_t>(children[i].first))].name);
  Visits.push_back(entry);
  return {reinterpret_cast<const void*>(intptr_t(n->rule)), nullptr};
}

}  // namespace

const std::array<VisitProc, kRuleCount> VisitTable = [] {
  std::array<VisitProc, kRuleCount> table;
  table.fill(&Record);
  return table;
}();

namespace {

SrcPosition At{3, 4};

TEST(RuleTables, EveryRuleAndKindIsDescribedOnce) {
  std::set<std::string_view> names;
  std::set<int> built;
  for (const RuleInfo& r : kRules) {
    names.insert(r.name);
    built.insert(r.kind);
  }
  EXPECT_EQ(names.size(), size_t(kRuleCount));
  EXPECT_EQ(built.size(), size_t(kKindCount));  // every kind has a rule
  EXPECT_EQ(kRules[R_rule_016].childCount, 3);
  EXPECT_EQ(kRules[R_rule_016].valueCount, 2);
  EXPECT_EQ(kRules[R_rule_016].arg[3], K_Seq_Of_Ident);
  EXPECT_EQ(kRules[R_rule_053].list, ListRole::Append);
  EXPECT_EQ(kRules[R_rule_053].arg[1], kStringArg);
  EXPECT_EQ(kRules[R_rule_8].list, ListRole::Empty);
  EXPECT_EQ(kRules[R_rule_8].kind, K_Seq_Of_Stepsize);
  EXPECT_EQ(kRules[R_rule_8].argCount, 0);
}

TEST(Construction, ChildrenFirstThenValues) {
  TreeInit();
  Node* coords = Mkrule_091(&At);
  Node* expr = MkExpr(&At, Mkrule_103(&At, 5));
  Node* idents = Mkrule_093(&At);
  Node* refs = Mkrule_016(&At, coords, expr, 42, idents, 7);
  EXPECT_EQ(refs->rule, R_rule_016);
  EXPECT_EQ(KindOf(refs), K_References);
  EXPECT_EQ(ChildOf(refs, 0), coords);
  EXPECT_EQ(ChildOf(refs, 1), expr);
  EXPECT_EQ(ChildOf(refs, 2), idents);
  EXPECT_EQ(ValueOf(refs, 0), 42);
  EXPECT_EQ(ValueOf(refs, 1), 7);
  EXPECT_EQ(ValueOf(ChildOf(expr, 0), 0), 5);
}

TEST(Construction, CoordinateStoresItsMiddleIntegersExchanged) {
  Node* c = Mkrule_017(&At, 9, 1, 2, 3, 4);
  EXPECT_EQ(ValueOf(c, 0), 9);
  EXPECT_EQ(ValueOf(c, 1), 2);
  EXPECT_EQ(ValueOf(c, 2), 1);
  EXPECT_EQ(ValueOf(c, 3), 3);
  EXPECT_EQ(ValueOf(c, 4), 4);
}

TEST(Construction, ListsGrowToTheRight) {
  Node* list = Mkrule_054(&At);
  EXPECT_EQ(KindOf(list), K_Seq_Of_String);
  list = Mkrule_053(&At, list, 1);
  list = Mkrule_053(&At, list, 2);
  EXPECT_EQ(ValueOf(list, 0), 2);
  EXPECT_EQ(ValueOf(ChildOf(list, 0), 0), 1);
  EXPECT_EQ(ChildOf(ChildOf(list, 0), 0)->rule, R_rule_054);
}

TEST(Coercion, SameKindComesBackUnchanged) {
  Node* assigns = Mkrule_095(&At);
  EXPECT_EQ(MkSeq_Of_Assign(&At, assigns), assigns);
  EXPECT_EQ(MkExpr(&At, nullptr), nullptr);
  EXPECT_EQ(MkExpr(&At, assigns), nullptr);  // no chain from a list
}

TEST(Coercion, ChainKindsAreWrappedOnce) {
  Node* ident = Mkrule_029(&At, Mkrule_111(&At, Mkrule_034(&At, Mkrule_118(&At))));
  Node* kind = Mkrule_103(&At, 3);
  Node* assign = Mkrule_026(&At, ident, kind);
  Node* expr = ChildOf(assign, 1);
  EXPECT_EQ(expr->rule, R_rule_027);
  EXPECT_EQ(ChildOf(expr, 0), kind);

  Node* identKind = Mkrule_107(&At, Mkrule_030(&At, Mkrule_118(&At)));
  Node* wrapped = MkIdent(&At, identKind);
  EXPECT_EQ(wrapped->rule, R_rule_029);
  EXPECT_EQ(ChildOf(wrapped, 0), identKind);

}

TEST(Coercion, SystemAndRootChains) {
  Node* strings = Mkrule_054(&At);
  Node* cls = Mkrule_046(&At, Mkrule_003(&At, strings));
  Node* tree = Mkrule_006(&At, strings, Mkrule_007(&At, 0), Mkrule_057(&At, Mkrule_019(&At, strings)),
                          Mkrule_059(&At));
  Node* couples = Mkrule_021(&At, Mkrule_022(&At, Mkrule_095(&At), Mkrule_097(&At)), Mkrule_095(&At));
  Node* system = Mkrule_001(&At, cls, strings, tree, Mkrule_050(&At), couples, couples, Mkrule_052(&At));
  Node* object = Mkrule_045(&At, system);  // wants a Systemtype
  EXPECT_EQ(ChildOf(object, 0)->rule, R_rule_002);
  EXPECT_EQ(ChildOf(ChildOf(object, 0), 0), system);
  Node* root = MkRoot(&At, object);
  EXPECT_EQ(root->rule, R_rule_000);
  EXPECT_EQ(ChildOf(root, 0), object);
}

// A refused child ends the run with the position among node children only.
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
      {[] { Mkrule_044(&At, nullptr); }, "RULE rule_044: root of subtree no. 1 can not be made a System node "},
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

TEST(NodeStack, GrowsAndKeepsItsEntries) {
  EXPECT_EQ(NodeStackTop, 0);
  NodeStackPush();
  EXPECT_EQ(NodeStackTop, 1);
  EXPECT_EQ(NodeStackSize, 255);
  std::vector<Node*> pushed;
  for (int i = 1; i <= 1000; ++i) {
    if (i > 1) NodeStackPush();
    NodeStack[NodeStackTop] = Mkrule_103(&At, i);
    pushed.push_back(NodeStack[NodeStackTop]);
    if (NodeStackTop == 254) {
      EXPECT_EQ(NodeStackSize, 255);
    }
    if (NodeStackTop == 255) {
      EXPECT_EQ(NodeStackSize, 510);
    }
  }
  EXPECT_EQ(NodeStackTop, 1000);
  for (int i = 1; i <= 1000; ++i) EXPECT_EQ(NodeStack[i], pushed[size_t(i - 1)]);
  NodeStackTop = 0;
}

TEST(Walk, VisitsChildrenLeftToRightBeforeTheirParent) {
  Node* e1 = MkExpr(&At, Mkrule_103(&At, 1));
  Node* e2 = MkExpr(&At, Mkrule_102(&At, 0));
  Node* list = Mkrule_105(&At, Mkrule_105(&At, Mkrule_106(&At), e1), e2);
  Node* ident = Mkrule_029(&At, Mkrule_113(&At, Mkrule_036(&At, Mkrule_118(&At))));
  Node* fn = Mkrule_028(&At, ident, list);
  NodeStackPush();
  NodeStack[NodeStackTop] = fn;
  Visits.clear();
  AttrMain();
  std::vector<std::string> expected = {
      "rule_118", "rule_036 rule_118", "rule_113 rule_036", "rule_029 rule_113",
      "rule_106", "rule_103", "rule_027 rule_103", "rule_105 rule_106 rule_027",
      "rule_102", "rule_027 rule_102", "rule_105 rule_105 rule_027", "rule_028 rule_029 rule_105",
  };
  EXPECT_EQ(Visits, expected);
  NodeStackTop = 0;
}

TEST(Walk, LongChainsNeedNoDeepRecursion) {
  Node* list = Mkrule_118(&At);
  for (int i = 0; i < 1000000; ++i) list = Mkrule_117(&At, list, i);
  NodeStackPush();
  NodeStack[NodeStackTop] = list;
  Visits.clear();
  AttrMain();
  EXPECT_EQ(Visits.size(), 1000001u);
  EXPECT_EQ(Visits.back(), "rule_117 rule_117");
  NodeStackTop = 0;
}

}  // namespace
