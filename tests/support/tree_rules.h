// The rules a tree was built by, for tests that check every rule is used.
#pragma once

#include <set>
#include <vector>

#include "tree/construction.h"

// Adds the rule of every node below root to rules (without recursion).
inline void CollectRules(const Node* root, std::set<int>& rules) {
  std::vector<const Node*> todo = {root};
  while (!todo.empty()) {
    const Node* n = todo.back();
    todo.pop_back();
    rules.insert(n->rule);
    for (int i = 0; i < kShape[size_t(n->rule)].childCount; ++i) todo.push_back(ChildOf(n, i));
  }
}
