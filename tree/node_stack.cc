#include "tree/node_stack.h"

#include <cstdlib>

#include "source/report.h"

NodeRef* NodeStack = nullptr;
int NodeStackSize = 0;
int NodeStackTop = 0;

void NodeStackPush() {
  if (++NodeStackTop < NodeStackSize) return;
  NodeStackSize += 255;
  void* grown = realloc(NodeStack, sizeof(NodeRef) * size_t(NodeStackSize));
  if (!grown) Report(DEADLY, "out of memory for node stack\n", &TokenPos);
  NodeStack = static_cast<NodeRef*>(grown);
}
