// Writing the JSON text of the tree, straight from its nodes: each node's
// text is the print program of its rule (json_mapping.h) run on the node.
#pragma once

#include "tree/construction.h"

// Writes the text of the subtree at root to standard output: the whole
// document when root is the root of the tree.  The text is written in one
// pass, without recursion, however deep the tree; a failed write is a
// DEADLY report "cannot write the output: <reason>", which ends the run.
// Returns root.
NodeRef PTGOut(NodeRef root);
