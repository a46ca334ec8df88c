// The rules a tree was built by, for tests that check every rule is used.
#pragma once

#include <set>
#include <vector>

#include "tree/construction.h"

using namespace qel2json::detail;

// Adds the rule of every node below root to rules (without recursion).  A
// list's nodes are its elements; an empty list adds its empty rule and one
// with elements its appending rule.
inline void CollectRules(const Tree& tree, NodeRef root, std::set<int>& rules) {
  auto listRule = [](int kind, bool empty) {
    for (int r = 0; r < kRuleCount; ++r)
      if (kRules[size_t(r)].kind == kind && kRules[size_t(r)].list == (empty ? ListRole::Empty : ListRole::Append))
        return r;
    return -1;
  };
  std::vector<NodeRef> todo = {root};
  while (!todo.empty()) {
    NodeRef n = todo.back();
    todo.pop_back();
    const RuleInfo& r = kRules[size_t(tree.RuleOf(n))];
    rules.insert(tree.RuleOf(n));
    for (int i = 0; i < r.argCount; ++i) {
      int kind = r.arg[i];
      if (kind < 0) continue;
      NodeRef child = tree.ChildOf(n, r.slot[i]);
      int append = listRule(kind, false);
      if (append < 0) {
        todo.push_back(child);
        continue;
      }
      rules.insert(tree.ListLength(child) ? append : listRule(kind, true));
      if (kRules[size_t(append)].arg[1] >= 0)
        for (int e = 0; e < tree.ListLength(child); ++e) todo.push_back(tree.ListElements(child)[e]);
    }
  }
}
