#include "tree/walk.h"

#include <vector>

#include "tree/node_stack.h"

// The walk keeps its own stacks instead of recursing: lists are chains as
// long as the list, and some constructs nest without limit.
VisitValue VisitTree(const Node* root) {
  struct Frame {
    const Node* node;
    int next;  // the next child to visit
  };
  std::vector<Frame> frames;
  std::vector<VisitValue> values;  // values of visited children, in order
  frames.push_back({root, 0});
  while (!frames.empty()) {
    Frame& f = frames.back();
    int children = kShape[size_t(f.node->rule)].childCount;
    if (f.next < children) {
      const Node* child = ChildOf(f.node, f.next++);
      frames.push_back({child, 0});
      continue;
    }
    size_t first = values.size() - size_t(children);
    VisitValue v = VisitTable[size_t(f.node->rule)](f.node, values.data() + first);
    values.resize(first);
    values.push_back(v);
    frames.pop_back();
  }
  return values.back();
}

void AttrMain() { VisitTree(NodeStack[NodeStackTop]); }
