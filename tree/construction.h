// Building the abstract syntax tree: the nodes, their construction from the
// rules of rule_table.h, and coercion along the chain rules.
#pragma once

#include <cstddef>
#include <type_traits>

#include "source/source_buffer.h"
#include "tree/rule_table.h"

// A node: the number of the rule that built it, then one word per child
// (in argument order), then one word per terminal value.  Nodes hold no
// coordinate and are never freed one by one.
struct Node;
union NodeWord {
  Node* node;
  int value;  // an integer, or a StringIndex
};
struct Node {
  int rule;
  NodeWord word[];
};

inline int KindOf(const Node* n) { return kShape[size_t(n->rule)].kind; }
inline Node* ChildOf(const Node* n, int i) { return n->word[i].node; }
// The j-th terminal value as stored (after the exchange of rule_017).
inline int ValueOf(const Node* n, int j) { return n->word[kShape[size_t(n->rule)].childCount + j].value; }

// Starts a new tree: releases every node and empties the node stack.
// Called once before parsing.
void TreeInit();

// Room for one node of size bytes from the tree's storage.
void* TreeNodeAlloc(size_t size);

// The construction of every rule: args holds the arguments in the rule's
// order.  Child arguments are coerced to their expected kinds; a child that
// cannot be made one is a DEADLY report at pos.
Node* BuildNode(int rule, const SrcPosition* pos, const NodeWord* args);

// Coercion to a kind: the node itself when it has that kind, a new node of
// the kind's chain rule over it when that rule wraps the node's kind, else
// null.
Node* Coerce(int kind, const SrcPosition* pos, Node* n);

namespace tree_detail {

inline NodeWord Word(Node* n) {
  NodeWord w;
  w.node = n;
  return w;
}
inline NodeWord Word(int v) {
  NodeWord w;
  w.node = nullptr;
  w.value = v;
  return w;
}

template <int R, typename... A>
constexpr bool ArgsFit() {
  constexpr RuleInfo r = kRules[R];
  if (int(sizeof...(A)) != r.argCount) return false;
  constexpr bool isNode[] = {std::is_convertible_v<A, Node*>..., false};
  for (int i = 0; i < r.argCount; ++i)
    if (isNode[i] != (r.arg[i] >= 0)) return false;
  return true;
}

}  // namespace tree_detail

// Mk<rule>(pos, arguments...): the construction function of each rule.
#define RULE(no, name, kind, args)                                                   \
  template <typename... A>                                                           \
  inline Node* Mk##name(const SrcPosition* pos, A... a) {                            \
    static_assert(tree_detail::ArgsFit<no, A...>(), "wrong arguments for Mk" #name); \
    const NodeWord words[] = {tree_detail::Word(a)..., NodeWord{}};                  \
    return BuildNode(no, pos, words);                                                \
  }
#define LIST(kind, element, appendNo, appendName, emptyNo, emptyName) \
  RULE(appendNo, appendName, kind, "") RULE(emptyNo, emptyName, kind, "")
#include "tree/rules.def"
#undef RULE
#undef LIST

// Mk<kind>(pos, node): the coercion function of each kind.
#define KIND(no, name) \
  inline Node* Mk##name(const SrcPosition* pos, Node* n) { return Coerce(no, pos, n); }
#include "tree/kinds.def"
#undef KIND
