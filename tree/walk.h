// The start of the tree walk.  What visiting a node does comes from the
// visit table, which the output stage defines: the tree knows nothing of
// JSON.
#pragma once

#include <array>

#include "tree/construction.h"

// Visits the subtree of a node (for the output stage: writes its text).
using VisitProc = void (*)(NodeRef node);

// One visit procedure per rule number.
extern const std::array<VisitProc, kRuleCount> VisitTable;

// Visits the node on top of the node stack: after parsing, the root, whose
// visit writes the document.
void AttrMain();
