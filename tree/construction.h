// Building the abstract syntax tree: the node store, the construction of
// every rule of rule_table.h, and coercion along the chain rules.
//
// Nodes live in one growing array of 32-bit words and are named by their
// index there (a NodeRef), so that a node costs four bytes a word:
//   a node        [rule][child ...][value ...]   children first, then the
//                                                terminal values as stored
//   a list        [count][element ...]           an element is a NodeRef,
//                                                an int or a StringIndex
// A list is built while it is parsed: the empty rule opens it, every
// appending rule adds one element, and the rule that takes the list as a
// child closes it into the store in one piece.  Until then its elements
// wait on a stack of their own, which lists nested in the input share in
// order: the innermost open list is always the one that grows, and a rule's
// list children are always the lists opened last.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "memory/growing_array.h"
#include "source/report.h"
#include "tree/rule_table.h"

namespace qel2json::detail {

using NodeRef = uint32_t;  // 0 names no node

// An argument of a construction: a child node or a terminal value.
union NodeArg {
  NodeRef node;
  int value;  // an integer, or a StringIndex
};

class Tree {
 public:
  // A child that cannot be coerced is a DEADLY report to `reports`.
  Tree(PageSource& pages, Reports& reports);

  // Starts a new tree: releases every node (their memory is kept).
  void Clear();

  // The construction of every rule: args holds the arguments in the rule's
  // order.  Child arguments are coerced to their expected kinds; a child
  // that cannot be made one is a DEADLY report at pos.  An empty-list rule
  // returns the new open list; an appending rule adds its element and
  // returns the same list.
  NodeRef Build(int rule, const SrcPosition* pos, const NodeArg* args);

  // Coercion to a kind: the node itself when it has that kind, a new node
  // of the kind's chain rule over it when that rule wraps the node's kind,
  // else 0.
  NodeRef Coerce(int kind, const SrcPosition* pos, NodeRef n);

  // ---- Reading the tree ----
  int RuleOf(NodeRef n) const { return int(Words()[n]); }
  int KindOf(NodeRef n) const { return kShape[size_t(RuleOf(n))].kind; }
  NodeRef ChildOf(NodeRef n, int i) const { return Words()[n + 1 + uint32_t(i)]; }
  // The j-th terminal value as stored (after the exchange in Coordinate).
  int ValueOf(NodeRef n, int j) const {
    return int(Words()[n + 1 + kShape[size_t(RuleOf(n))].childCount + uint32_t(j)]);
  }
  int ListLength(NodeRef list) const { return int(Words()[list]); }
  const uint32_t* ListElements(NodeRef list) const { return Words() + list + 1; }
  // The store's words, valid until the next node is built, and how many
  // there are: every NodeRef is below that.
  const uint32_t* Words() const { return store_.data(); }
  size_t WordCount() const { return store_.size(); }

 private:
  using Builder = NodeRef (*)(Tree& tree, const SrcPosition*, const NodeArg*);
  template <int R>
  static NodeRef BuildRule(Tree& tree, const SrcPosition* pos, const NodeArg* args);
  template <size_t... R>
  static constexpr std::array<Builder, kRuleCount> BuilderTable(std::index_sequence<R...>);
  static const std::array<Builder, kRuleCount> kBuilders;

  template <int R, int I>
  NodeRef CheckedChild(const SrcPosition* pos, const NodeArg* args);
  [[noreturn]] void Refuse(const RuleInfo& r, int position, int kind, const SrcPosition* pos);
  NodeRef Alloc(uint32_t words);
  NodeRef OpenList(int kind);
  void Append(uint32_t element);
  NodeRef CloseList(NodeRef list);
  int KindOfArg(NodeRef n) const;

  GrowingArray<uint32_t> store_;    // every node and closed list; word 0 is no node
  GrowingArray<uint32_t> pending_;  // the open lists: for each, its kind, then its elements
  Reports* reports_;
};

namespace tree_detail {

inline NodeArg Arg(NodeRef n) {
  NodeArg a;
  a.node = n;
  return a;
}
inline NodeArg Arg(int v) {
  NodeArg a;
  a.value = v;
  return a;
}

template <int R, typename... A>
constexpr bool ArgsFit() {
  constexpr RuleInfo r = kRules[R];
  if (int(sizeof...(A)) != r.argCount) return false;
  constexpr bool isNode[] = {std::is_same_v<A, NodeRef>..., false};
  for (int i = 0; i < r.argCount; ++i)
    if (isNode[i] != (r.arg[i] >= 0)) return false;
  return true;
}

}  // namespace tree_detail

// Mk<rule>(tree, pos, arguments...): the construction function of each
// rule.  Children are NodeRefs, terminal values ints.
#define RULE(no, name, kind, args)                                                   \
  template <typename... A>                                                           \
  inline NodeRef Mk##name(Tree& tree, const SrcPosition* pos, A... a) {              \
    static_assert(tree_detail::ArgsFit<no, A...>(), "wrong arguments for Mk" #name); \
    const NodeArg words[] = {tree_detail::Arg(a)..., NodeArg{}};                     \
    return tree.Build(no, pos, words);                                               \
  }
#define LIST(kind, element, appendNo, emptyNo) \
  RULE(appendNo, kind##_Append, kind, "") RULE(emptyNo, kind##_Empty, kind, "")
#include "tree/rules.def"
#undef RULE
#undef LIST

// CoerceTo<kind>(tree, pos, node): the coercion function of each kind.
#define KIND(no, name) \
  inline NodeRef CoerceTo##name(Tree& tree, const SrcPosition* pos, NodeRef n) { return tree.Coerce(no, pos, n); }
#include "tree/kinds.def"
#undef KIND

}  // namespace qel2json::detail
