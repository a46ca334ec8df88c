// The tree walk.  The walk itself is generic; what each rule yields comes
// from the visit table, which the output stage defines.
#pragma once

#include <array>

#include "tree/rule_table.h"

struct Node;

// What a visit yields to its parent: up to two opaque values (a list node
// yields two texts, most nodes one, some none).
struct VisitValue {
  const void* first;
  const void* second;
};

// Called for a node once all of its children have been visited, with their
// values in child order.
using VisitProc = VisitValue (*)(const Node* node, const VisitValue* children);

// One visit procedure per rule number.
extern const std::array<VisitProc, kRuleCount> VisitTable;

// Visits a subtree: depth first, children left to right, each node after its
// children.  Returns what its root's visit yields.
VisitValue VisitTree(const Node* root);

// Visits the node on top of the node stack: after parsing, the root, whose
// visit writes the document.
void AttrMain();
