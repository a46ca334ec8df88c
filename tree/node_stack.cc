#include "tree/node_stack.h"

#include <cstdlib>

#include "source/report.h"

Node** NodeStack = nullptr;
int NodeStackSize = 0;
int NodeStackTop = 0;

void NodeStackPush() {
  if (++NodeStackTop < NodeStackSize) return;
  NodeStackSize += 255;
  Node** grown = static_cast<Node**>(realloc(NodeStack, sizeof(Node*) * size_t(NodeStackSize)));
  if (!grown) Report(DEADLY, "out of memory for node stack\n", &TokenPos);
  NodeStack = grown;
}
