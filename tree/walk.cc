#include "tree/walk.h"

#include "tree/node_stack.h"

void AttrMain() {
  NodeRef root = NodeStack[NodeStackTop];
  VisitTable[size_t(RuleOf(root))](root);
}
