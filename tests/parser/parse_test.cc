// Parsing descriptions into trees, and where syntax errors are detected.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "parser/parser.h"
#include "scanner/scanner.h"
#include "source/source_buffer.h"
#include "store/string_table.h"
#include "support/child.h"
#include "support/tree_rules.h"
#include "tree/construction.h"
#include "tree/node_stack.h"

namespace {

const Node* ParseText(const std::string& text) {
  static std::vector<std::unique_ptr<TempFile>> files;  // kept until exit
  files.push_back(std::make_unique<TempFile>(text));
  initBuf("in", files.back()->Open());
  TreeInit();
  Parse();
  EXPECT_EQ(NodeStackTop, 1);
  return NodeStack[NodeStackTop];
}

// A compact picture of a tree as stored: rule(children, then terminal values),
// lists as [elements].
std::string Dump(const Node* n) {
  const RuleInfo& r = kRules[size_t(n->rule)];
  if (r.list != ListRole::None) {
    std::vector<std::string> elements;
    for (; kRules[size_t(n->rule)].list == ListRole::Append; n = ChildOf(n, 0)) {
      const RuleInfo& a = kRules[size_t(n->rule)];
      elements.push_back(a.arg[1] >= 0               ? Dump(ChildOf(n, 1))
                         : a.arg[1] == kStringArg ? std::string(StringAt(ValueOf(n, 0)))
                                                  : std::to_string(ValueOf(n, 0)));
    }
    std::string s = "[";
    for (size_t i = elements.size(); i-- > 0;) s += elements[i] + (i ? " " : "");
    return s + "]";
  }
  std::string s(r.name);
  if (r.childCount + r.valueCount == 0) return s;
  std::vector<std::string> parts(size_t(r.childCount + r.valueCount));
  for (int i = 0; i < r.argCount; ++i) {
    int slot = r.slot[i];
    parts[size_t(slot)] = r.arg[i] >= 0 ? Dump(ChildOf(n, slot))
                          : r.arg[i] == kStringArg
                              ? std::string(StringAt(n->word[slot].value))
                              : std::to_string(n->word[slot].value);
  }
  s += "(";
  for (size_t i = 0; i < parts.size(); ++i) s += (i ? ", " : "") + parts[i];
  return s + ")";
}


const std::string kEmptyCouples = "< > < > < > ";
const std::string kDemo =
    "SYSTEM LINEAR < \"lin\" > < \"demo\" > < \"top\" >\n"
    "  \"cls\" ISEXTERN < \"ext\" > < > < Y < 1 >\n"
    "  U < 2 > > < > < > < > < > < > < > < >\n";

TEST(Parse, TheDemoDescription) {
  EXPECT_EQ(Dump(ParseText(kDemo)),
            "rule_000(rule_044(rule_001(rule_046(rule_003([\"lin\"])), [\"demo\"], "
            "rule_006([\"top\"], rule_007(\"cls\"), rule_057(rule_019([\"ext\"])), []), "
            "[rule_020(rule_029(rule_110(rule_033([1]))), rule_029(rule_109(rule_032([2]))))], "
            "rule_021(rule_022([], []), []), rule_021(rule_022([], []), []), [])))");
}

TEST(Parse, SystemTypeWrapsTheSameSystemOnceMore) {
  std::string rest = kDemo.substr(std::string("SYSTEM").size());
  std::string plain = Dump(ParseText("SYSTEM" + rest));
  std::string typed = Dump(ParseText("SYSTEMTYPE" + rest));
  std::string system = plain.substr(std::string("rule_000(rule_044(").size());
  system.resize(system.size() - 2);
  EXPECT_EQ(typed, "rule_000(rule_045(rule_002(" + system + ")))");
}

TEST(Parse, TheTwoCouplesByPosition) {
  const Node* root = ParseText(
      "SYSTEM NONLINEAR < > < > < > \"c\" ISEXTERN < > < > < >"
      " < X < 1 > INTEGER 1 > < > < >"
      " < > < < > < > > < Y < 2 > INTEGER 2 >"
      " < >");
  const Node* system = ChildOf(ChildOf(root, 0), 0);
  EXPECT_EQ(Dump(ChildOf(system, 4)),
            "rule_021(rule_022([rule_026(rule_029(rule_111(rule_034([1]))), rule_027(rule_103(1)))], []), [])");
  EXPECT_EQ(Dump(ChildOf(system, 5)),
            "rule_021(rule_022([], [rule_022([], [])]), "
            "[rule_026(rule_029(rule_110(rule_033([2]))), rule_027(rule_103(2)))])");
  EXPECT_EQ(Dump(ChildOf(system, 0)), "rule_048(rule_005([]))");
}

// A description that uses every construct, with lists of none, one and more
// elements.
const std::string kEverything =
    "SYSTEMTYPE PARTIALLINEAR < \"m1\" \"m2\" > < \"d1\" >\n"
    "< \"n1\" > \"cls\" VARIABLES\n"
    "  < \"t1\" \"t2\" > < \"h\" >\n"
    "  < \"p1\" \"u1\" < 1.0 > < 0.0 2.0 > REAL 1.5 NIL < \"x\" >\n"
    "    \"p2\" \"u\" < > < > NIL < > REFERENCES < \"f.c\" 1 2 3 4 \"g.c\" 5 6 7 8 > IDENT A0 < 3 > 7 < DX < 1 > F < > > \"s\" >\n"
    "  < \"i1\" \"u2\" < > < > 0.0 NIL < > \"i2\" \"u\" < > < > .5 REFERENCES < > INTEGER 1 0 < > \"\" >\n"
    "  < \"o1\" \"u3\" < > < > NIL < > \"o2\" \"u\" < > < 1. > REFERENCES < > REAL 2e3 1 < > \"r\" >\n"
    "  < \"f1\" \"f2\" >\n"
    "  < \"x1\" \"u4\" < > < > 0.0 NIL < > \"x2\" \"u\" < > < > -1.0 REFERENCES < > STRING \"q\" 2 < > \"\" >\n"
    "  < \"a1\" INTEGER 3 NIL < > \"a2\" REAL 4.5 REFERENCES < > FUNCTION H < 1 > < > 3 < > \"\" >\n"
    "< < > \"sub\" INSTANTIATION < \"i\" > < P < 1 > INTEGER 2 T < > REAL 1.0 > < >\n"
    "  < \"e\" > \"sub2\" ISEXTERN < > < > >\n"
    "< X < 1 > Y < 1 > U < 1 2 > E < 1 > < \"s\" > ALLP < \"p\" > >\n"
    "< E < > < > ALLU < > IDENT A < 1 > > < < > < < > < > > > < >\n"
    "< E < > < > ALLY < > STRING \"v\" E < > < > INTEGER 4 FUNCTION X < > < INTEGER 1 STRING \"w\" > >\n"
    "  < > < E < > < > STRING \"s\" REAL 1.0 >\n"
    "< < X < 1 > INTEGER 0 > < > < > < < > < > < > < > > < > < > LINEARCODE < > < > < 2 > < 1 1 IDENT X < 1 > >"
    " < > < > < > < > < > < >\n"
    "  < > < > < > < > < > < > NIL < > >\n";

TEST(Parse, EveryTreeRuleIsBuilt) {
  std::set<int> rules;
  CollectRules(ParseText(kEverything), rules);
  CollectRules(ParseText(kDemo), rules);
  CollectRules(ParseText("SYSTEM NONLINEAR < > < > < > \"c\" ISEXTERN < > < > < > " + kEmptyCouples +
                         kEmptyCouples + "< >"),
               rules);
  std::vector<std::string> missing;
  for (int r = 0; r < kRuleCount; ++r)
    if (!rules.count(r)) missing.emplace_back(kRules[size_t(r)].name);
  EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

TEST(Parse, ValuesReachTheTree) {
  const Node* root = ParseText(kEverything);
  std::string all = Dump(root);
  // The Coordinate keeps its second and third integers exchanged.
  EXPECT_NE(all.find("rule_017(\"f.c\", 2, 1, 3, 4)"), std::string::npos) << all;
  EXPECT_NE(all.find("[rule_017(\"f.c\", 2, 1, 3, 4) rule_017(\"g.c\", 6, 5, 7, 8)]"), std::string::npos);
  EXPECT_NE(all.find("rule_2([2], [rule_1(rule_027(rule_101(rule_029(rule_111(rule_034([1]))))), 1, 1)])"),
            std::string::npos);
  EXPECT_NE(all.find("rule_010([1.0], [0.0 2.0], rule_076(1.5), rule_079(rule_043([\"x\"])), \"p1\", \"u1\")"),
            std::string::npos);
  EXPECT_NE(all.find("rule_086(4.5)"), std::string::npos);
  EXPECT_NE(all.find("rule_080(rule_016([], rule_027(rule_103(1)), [], 0, \"\")), \"i2\", \"u\", .5)"), std::string::npos);
  EXPECT_NE(all.find("[rule_013(\"f1\") rule_013(\"f2\")]"), std::string::npos);
  EXPECT_NE(all.find("rule_028(rule_029(rule_111(rule_034([]))), [rule_027(rule_103(1)) rule_027(rule_104(\"w\"))])"),
            std::string::npos);
}

// Deep nesting grows the parse stack and the node stack many times over.
TEST(Parse, DeepNestingOfCoupletrees) {
  const int depth = 3000;
  std::string nested;
  for (int i = 0; i < depth; ++i) nested += "< > < ";
  for (int i = 0; i < depth; ++i) nested += "> ";
  const Node* root = ParseText("SYSTEM LINEAR < > < > < > \"c\" ISEXTERN < > < > < > " + nested + "< > " +
                               kEmptyCouples + "< >");
  const Node* tree = ChildOf(ChildOf(ChildOf(ChildOf(root, 0), 0), 4), 0);  // Couples1's Coupletree
  int levels = 0;
  for (const Node* t = tree; t->rule == R_rule_022; ++levels) {
    const Node* subtrees = ChildOf(t, 1);
    if (subtrees->rule == R_rule_097) break;
    EXPECT_EQ(ChildOf(subtrees, 0)->rule, R_rule_097);  // exactly one subtree a level
    t = ChildOf(subtrees, 1);
  }
  EXPECT_EQ(levels, depth - 1);
}

TEST(Parse, LongListsStayShallow) {
  std::string strings;
  for (int i = 0; i < 100000; ++i) strings += "\"s\" ";
  const Node* root = ParseText("SYSTEM LINEAR < " + strings + "> < > < > \"c\" ISEXTERN < > < > < > " +
                               kEmptyCouples + kEmptyCouples + "< >");
  const Node* list = ChildOf(ChildOf(ChildOf(ChildOf(ChildOf(root, 0), 0), 0), 0), 0);
  int n = 0;
  for (; list->rule == R_rule_053; list = ChildOf(list, 0)) ++n;
  EXPECT_EQ(n, 100000);
}

// Errors are detected on the first token that cannot continue a valid
// prefix, before any reduction it does not allow.
TEST(Parse, ErrorOnTheFirstTokenThatCannotContinue) {
  Outcome o = RunInChild([] { ParseText("SYSTEM LINEAR < \"a\" INTEGER \"b\" >"); });
  EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1), "\"in\", line 1:21 ERROR: Syntax error\n");
  Outcome after = RunInChild([] { ParseText(kDemo + "  < \"more\" >"); });
  EXPECT_EQ(after.err.substr(0, after.err.find('\n') + 1), "\"in\", line 4:3 ERROR: Syntax error\n");
  Outcome early = RunInChild([] { ParseText("SYSTEM LINEAR < \"lin\" > \"x\""); });
  EXPECT_EQ(early.err.substr(0, early.err.find('\n') + 1), "\"in\", line 1:25 ERROR: Syntax error\n");
}

}  // namespace
