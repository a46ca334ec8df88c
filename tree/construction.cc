#include "tree/tree.h"

#include <obstack.h>

#include <cstdio>
#include <cstdlib>

#include "memory/arena.h"
#include "source/report.h"
#include "tree/node_stack.h"

namespace {

struct obstack TreeObstack;
bool Ready;
void* FirstNode;  // freeing back to it keeps the first chunk for reuse

// Every rule appears once in the tables.
constexpr bool EveryRuleDefined() {
  for (const RuleInfo& r : kRules)
    if (r.name.empty()) return false;
  return true;
}
static_assert(EveryRuleDefined(), "rules.def leaves a rule number unused");

// The chain rules: a node of kind `from` stands where `to` is expected,
// wrapped in a node of `rule`.
struct Chain {
  int to, from, rule;
};
constexpr Chain kChains[] = {
    {K_Expr, K_Expr_Kind, R_rule_027},
    {K_Ident, K_Ident_Kind, R_rule_029},
    {K_Systemtype, K_System, R_rule_002},
    {K_Root, K_Qel_Object, R_rule_000},
};

[[noreturn]] void Refuse(const RuleInfo& r, int position, int kind, const SrcPosition* pos) {
  char text[160];
  snprintf(text, sizeof text, "RULE %.*s: root of subtree no. %d can not be made a %.*s node ",
           int(r.name.size()), r.name.data(), position, int(kKindNames[size_t(kind)].size()),
           kKindNames[size_t(kind)].data());
  Report(DEADLY, text, pos);
  abort();  // Report does not return from a DEADLY report
}

}  // namespace

EXPANDS_OBSTACK_MACROS void TreeInit() {
  if (Ready) return;
  if (!FirstNode) InitLargeObstack(&TreeObstack, alignof(Node));
  FirstNode = obstack_alloc(&TreeObstack, 1);
  Ready = true;
}

EXPANDS_OBSTACK_MACROS void* TreeNodeAlloc(size_t size) {
  if (!Ready) TreeInit();
  return obstack_alloc(&TreeObstack, size);
}

EXPANDS_OBSTACK_MACROS void ResetTree() {
  if (Ready) obstack_free(&TreeObstack, FirstNode);
  Ready = false;
  NodeStackTop = 0;
}

Node* Coerce(int kind, const SrcPosition* pos, Node* n) {
  if (!n) return nullptr;
  int has = KindOf(n);
  if (has == kind) return n;
  for (const Chain& c : kChains) {
    if (c.to == kind && c.from == has) {
      NodeWord child;
      child.node = n;
      return BuildNode(c.rule, pos, &child);
    }
  }
  return nullptr;
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
