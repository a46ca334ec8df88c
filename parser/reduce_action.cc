// The reduce action of every production: the tree rule it builds, with its
// arguments taken from the node stack and the value stack.
#include "parser/lr_engine.h"
#include "tree/node_stack.h"

namespace {

// Every reduction must hand its tree rule the arguments the rule takes.
constexpr bool ReductionsFitRules() {
  using namespace parse_tables;
  for (int p = 1; p <= kProductions; ++p) {
    const Reduction& r = kReduction[p];
    if (r.rule < 0) continue;
    const RuleInfo& rule = kRules[size_t(r.rule)];
    if (r.argCount != rule.argCount) return false;
    for (int i = 0; i < r.argCount; ++i)
      if ((r.arg[i] < 0) != (rule.arg[i] >= 0)) return false;
  }
  return true;
}
static_assert(ReductionsFitRules(), "grammar.txt hands a tree rule the wrong arguments");
static_assert(parse_tables::kMaxArguments <= kMaxArgs, "a production hands more arguments than a rule takes");

}  // namespace

// The nodes of the right side's nonterminals are the top entries of the node
// stack, the last on top; the new node replaces them all.
void ReduceAction(int production, const TokenRecord* first) {
  using namespace parse_tables;
  TokenPos = lr::PositionOf(*first);
  const Reduction& r = kReduction[production];
  if (r.rule < 0) return;
  NodeArg args[kMaxArguments];
  int base = NodeStackTop - r.nodes + 1;
  for (int i = 0; i < r.argCount; ++i) {
    int a = r.arg[i];
    if (a >= 0)
      args[i].value = first[a].attribute;
    else
      args[i].node = NodeStack[base - a - 1];
  }
  NodeRef node = BuildNode(r.rule, &TokenPos, args);
  if (r.nodes > 0)
    NodeStackTop -= r.nodes - 1;
  else
    NodeStackPush();
  NodeStack[NodeStackTop] = node;
}
