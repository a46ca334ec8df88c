// The reduce action of every production: the tree rule it builds, with its
// arguments taken from the node stack and the value stack.
#include <array>
#include <utility>

#include "parser/lr_engine.h"

namespace qel2json::detail {

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

}  // namespace

// The reduce action of production P, with its reduction known at compile
// time.  The nodes of the right side's nonterminals are the top entries of
// the node stack, the last on top; the new node replaces them all.
template <int P>
void Parser::ReduceBy(Parser& parser, const TokenRecord* first) {
  constexpr Reduction r = kReduction[P];
  if constexpr (r.rule >= 0) {
    SrcPosition at = lr::PositionOf(*first);
    GrowingArray<NodeRef>& nodes = parser.nodes_;
    NodeArg args[r.argCount > 0 ? r.argCount : 1] = {};
    size_t base = nodes.size() - r.nodes;  // of the first nonterminal's node
    for (int i = 0; i < r.argCount; ++i) {
      if (r.arg[i] >= 0)
        args[i].value = first[r.arg[i]].attribute;
      else
        args[i].node = nodes[base - size_t(r.arg[i]) - 1];
    }
    NodeRef node = parser.tree_->Build(r.rule, &at, args);
    if constexpr (r.nodes > 0) {
      nodes.Truncate(base + 1);
      nodes.back() = node;
    } else {
      nodes.Push(node);
    }
  }
}

namespace {

using Reducer = void (*)(Parser&, const TokenRecord*);

}  // namespace

void Parser::ReduceAction(int production, const TokenRecord* first) {
  static constexpr std::array<Reducer, kProductions + 1> kReducers = []<size_t... P>(std::index_sequence<P...>) {
    return std::array<Reducer, kProductions + 1>{&ReduceBy<int(P)>...};
  }(std::make_index_sequence<kProductions + 1>());
  kReducers[size_t(production)](*this, first);
}

}  // namespace qel2json::detail
