#include "tree/construction.h"

#include <cstdio>
#include <cstdlib>

#include "memory/arena.h"
#include "source/report.h"
#include "tree/node_stack.h"

namespace {

Arena Nodes(alignof(Node));

[[noreturn]] void Refuse(const RuleInfo& r, int position, int kind, const SrcPosition* pos) {
  char text[160];
  snprintf(text, sizeof text, "RULE %.*s: root of subtree no. %d can not be made a %.*s node ",
           int(r.name.size()), r.name.data(), position, int(kKindNames[size_t(kind)].size()),
           kKindNames[size_t(kind)].data());
  Report(DEADLY, text, pos);
  abort();  // Report does not return from a DEADLY report
}

}  // namespace

void TreeInit() {
  Nodes.Release();
  NodeStackTop = 0;
}

void* TreeNodeAlloc(size_t size) { return Nodes.Alloc(size); }

Node* Coerce(int kind, const SrcPosition* pos, Node* n) {
  if (!n) return nullptr;
  int has = KindOf(n);
  if (has == kind) return n;
  int chain = kChainInto[size_t(kind)];
  if (chain < 0 || kRules[size_t(chain)].arg[0] != has) return nullptr;
  NodeWord child;
  child.node = n;
  return BuildNode(chain, pos, &child);
}

Node* BuildNode(int rule, const SrcPosition* pos, const NodeWord* args) {
  const RuleShape& r = kShape[size_t(rule)];
  Node* n = static_cast<Node*>(
      TreeNodeAlloc(sizeof(Node) + sizeof(NodeWord) * size_t(r.childCount + r.valueCount)));
  n->rule = rule;
  for (int i = 0; i < r.argCount; ++i) {
    if (r.arg[i] < 0) {
      n->word[r.slot[i]] = args[i];
      continue;
    }
    Node* child = args[i].node;
    if (!child || KindOf(child) != r.arg[i]) child = Coerce(r.arg[i], pos, child);
    if (!child) Refuse(kRules[size_t(rule)], r.slot[i] + 1, r.arg[i], pos);
    n->word[r.slot[i]].node = child;
  }
  return n;
}
