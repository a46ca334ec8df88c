// Parsing into trees: every rule is reachable, and neither long lists nor
// deep nesting grow anything but the heap.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parser/parser.h"
#include "support/child.h"
#include "support/tree_rules.h"
#include "tree/node_stack.h"

namespace {

NodeRef ParseText(const std::string& text) {
  static std::vector<std::unique_ptr<TempFile>> files;  // kept until exit
  files.push_back(std::make_unique<TempFile>(text));
  initBuf("in", files.back()->Open());
  TreeInit();
  Parse();
  EXPECT_EQ(NodeStackTop, 1);
  return NodeStack[NodeStackTop];
}

const std::string kEmptyCouples = "< > < > < > ";
const std::string kSkeleton = "SYSTEM LINEAR < > < > < > \"c\" ISEXTERN < > < > < > ";

TEST(Parse, TheGoldenInputsBuildEveryTreeRule) {
  std::set<int> rules;
  for (const char* name : {"every-construct", "worked-example", "systemtype-header", "empty-variable-lists"})
    CollectRules(ParseText(ReadFileBytes(std::string(GOLDEN_DIR) + "/" + name + "/input.qel")), rules);
  std::vector<std::string> missing;
  for (int r = 0; r < kRuleCount; ++r)
    if (!rules.count(r)) missing.emplace_back(kRules[size_t(r)].name);
  EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

// Deep nesting grows the parse stack and the node stack many times over.
TEST(Parse, DeepNestingOfCoupletrees) {
  const int depth = 3000;
  std::string nested;
  for (int i = 0; i < depth; ++i) nested += "< > < ";
  for (int i = 0; i < depth; ++i) nested += "> ";
  NodeRef root = ParseText(kSkeleton + nested + "< > " + kEmptyCouples + "< >");
  NodeRef tree = ChildOf(ChildOf(ChildOf(ChildOf(root, 0), 0), 4), 0);  // Couples1's Coupletree
  int levels = 0;
  for (NodeRef subtrees = ChildOf(tree, 1); ListLength(subtrees) == 1; ++levels)
    subtrees = ChildOf(ListElements(subtrees)[0], 1);
  EXPECT_EQ(levels, depth - 1);
}

TEST(Parse, LongListsStayShallowAndKeepTheirOrder) {
  std::string strings, ints;
  for (int i = 0; i < 100000; ++i) {
    strings += "\"s\" ";
    ints += std::to_string(i) + " ";
  }
  NodeRef root = ParseText("SYSTEM LINEAR < " + strings + "> < > < > \"c\" ISEXTERN < > < X < " + ints +
                           "> Y < > > " + kEmptyCouples + kEmptyCouples + "< >");
  NodeRef system = ChildOf(ChildOf(root, 0), 0);
  EXPECT_EQ(ListLength(ChildOf(ChildOf(ChildOf(system, 0), 0), 0)), 100000);
  NodeRef x = ChildOf(ChildOf(ChildOf(ListElements(ChildOf(system, 3))[0], 0), 0), 0);
  ASSERT_EQ(ListLength(ChildOf(x, 0)), 100000);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(int(ListElements(ChildOf(x, 0))[i]), i);
}

}  // namespace
