// The reduce action of every production: the tree rule it builds, with its
// arguments taken from the node stack and the value stack.
#include <array>
#include <utility>

#include "parser/lr_engine.h"
#include "tree/node_stack.h"

namespace {

using namespace parse_tables;

// Every reduction must hand its tree rule the arguments the rule takes.
constexpr bool ReductionsFitRules() {
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
static_assert(kMaxArguments <= kMaxArgs, "a production hands more arguments than a rule takes");

// The reduce action of production P, with its reduction known at compile
// time.  The nodes of the right side's nonterminals are the top entries of
// the node stack, the last on top; the new node replaces them all.
template <int P>
void Reduce(const TokenRecord* first) {
  TokenPos = lr::PositionOf(*first);
  constexpr Reduction r = kReduction[P];
  if constexpr (r.rule >= 0) {
    NodeArg args[r.argCount > 0 ? r.argCount : 1] = {};
    int base = NodeStackTop - r.nodes + 1;  // of the first nonterminal's node
    for (int i = 0; i < r.argCount; ++i) {
      if (r.arg[i] >= 0)
        args[i].value = first[r.arg[i]].attribute;
      else
        args[i].node = NodeStack[base - r.arg[i] - 1];
    }
    NodeRef node = BuildNode(r.rule, &TokenPos, args);
    if constexpr (r.nodes > 0)
      NodeStackTop -= r.nodes - 1;
    else
      NodeStackPush();
    NodeStack[NodeStackTop] = node;
  }
}

using Reducer = void (*)(const TokenRecord*);

constexpr std::array<Reducer, kProductions + 1> kReducers = []<size_t... P>(std::index_sequence<P...>) {
  return std::array<Reducer, kProductions + 1>{&Reduce<int(P)>...};
}(std::make_index_sequence<kProductions + 1>());

}  // namespace

void ReduceAction(int production, const TokenRecord* first) { kReducers[size_t(production)](first); }
