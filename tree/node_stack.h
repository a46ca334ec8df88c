// The node stack: finished subtrees (and open lists) wait here for their
// parent.  Entry 0 is never used; a stack of n nodes holds them at indices
// 1 to n.
#pragma once

#include "tree/construction.h"

extern NodeRef* NodeStack;
extern int NodeStackSize;  // entries there is room for
extern int NodeStackTop;   // index of the top entry

// Makes room for one more entry: the caller then stores the new node at
// NodeStack[NodeStackTop].  The stack grows without limit.
void NodeStackPush();
