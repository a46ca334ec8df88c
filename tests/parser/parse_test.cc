// Parsing into trees: every rule is reachable, and neither long lists nor
// deep nesting grow anything but the heap.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/generator.h"
#include "support/child.h"
#include "support/pieces.h"
#include "support/streams.h"
#include "support/tree_rules.h"
#include "translator/translation.h"

using namespace qel2json::detail;

namespace {

// Translates text and leaves its tree in t.
NodeRef ParseText(Translation& t, const std::string& text) {
  PieceReader input(text);
  StringDocument document;
  CollectedLines lines;
  Translation::Outcome o = t.Translate(input, "in", document, lines);
  EXPECT_TRUE(o.complete) << lines.text;
  return t.root();
}

const std::string kEmptyCouples = "< > < > < > ";

TEST(Parse, TheGoldenInputsBuildEveryTreeRule) {
  std::set<int> rules;
  Translation t;
  for (const char* name : {"every-construct", "worked-example", "systemtype-header", "empty-variable-lists"})
    CollectRules(t.tree(), ParseText(t, ReadFileBytes(std::string(GOLDEN_DIR) + "/" + name + "/input.qel")), rules);
  std::vector<std::string> missing;
  for (int r = 0; r < kRuleCount; ++r)
    if (!rules.count(r)) missing.emplace_back(kRules[size_t(r)].name);
  EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

// Deep nesting grows the parse stack and the node stack many times over.
TEST(Parse, DeepNestingOfCoupletrees) {
  const int depth = 3000;
  Translation t;
  const Tree& n = t.tree();
  NodeRef root = ParseText(t, WrittenBy([&](FILE* out) { bench::WriteNestedCoupletrees(out, depth); }));
  NodeRef tree = n.ChildOf(n.ChildOf(n.ChildOf(n.ChildOf(root, 0), 0), 4), 0);  // Couples1's Coupletree
  int levels = 0;
  for (NodeRef subtrees = n.ChildOf(tree, 1); n.ListLength(subtrees) == 1; ++levels)
    subtrees = n.ChildOf(n.ListElements(subtrees)[0], 1);
  EXPECT_EQ(levels, depth - 1);
}

TEST(Parse, LongListsStayShallowAndKeepTheirOrder) {
  std::string strings, ints;
  for (int i = 0; i < 100000; ++i) {
    strings += "\"s\" ";
    ints += std::to_string(i) + " ";
  }
  Translation t;
  const Tree& n = t.tree();
  NodeRef root = ParseText(t, "SYSTEM LINEAR < " + strings + "> < > < > \"c\" ISEXTERN < > < X < " + ints +
                                  "> Y < > > " + kEmptyCouples + kEmptyCouples + "< >");
  NodeRef system = n.ChildOf(n.ChildOf(root, 0), 0);
  EXPECT_EQ(n.ListLength(n.ChildOf(n.ChildOf(n.ChildOf(system, 0), 0), 0)), 100000);
  NodeRef x = n.ChildOf(n.ChildOf(n.ChildOf(n.ListElements(n.ChildOf(system, 3))[0], 0), 0), 0);
  ASSERT_EQ(n.ListLength(n.ChildOf(x, 0)), 100000);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(int(n.ListElements(n.ChildOf(x, 0))[i]), i);
}

}  // namespace
