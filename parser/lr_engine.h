// What the parser engine and its error recovery share: the generated
// tables and the one routine that carries out an action on a stack.  Not
// for use outside parser/.
#pragma once

#include <cstdint>

#include "parser/parse_tables.h"
#include "parser/parser.h"
#include "scanner/tokens.h"

namespace qel2json::detail {

namespace lr {

using namespace parse_tables;

static_assert(kTerminals == kTokenCount + 1, "the parse tables were made for another token list");
static_assert(kTerminals <= 64, "expected terminals are a 64-bit set");

// Action codes (see parse_tables.h): shift up to kStates, shift-and-reduce
// up to kShiftReduceEnd, reduce above; goto codes: 1 accept, enter up to
// kStates, push-and-reduce above.
inline constexpr int kShiftReduceEnd = kStates + kProductions;
inline bool IsShift(int action) { return action != 0 && action <= kShiftReduceEnd; }

// Recovery's result when the input has been completed to the start symbol.
inline constexpr int kAccepted = -1;

inline SrcPosition PositionOf(const TokenRecord& r) { return {r.line, r.column}; }

// Carries out a shift, shift-and-reduce or reduce action on a stack (the
// real one, or recovery's simulation of it).  A shift pushes the new state
// with `next`, the record of the symbol after the shifted one.  A reduction
// pops the production and builds it; the goto then pushes its state with
// `follow` as value, or, for a goto-and-reduce code, pushes the nonterminal
// and reduces again.  Returns false when a goto is the accept code.
template <class Stack>
bool Apply(Stack& s, int action, const TokenRecord& next, const TokenRecord& follow) {
  if (action <= kStates) {
    s.Push(action, next);
    return true;
  }
  int p = action - kShiftReduceEnd;
  if (action <= kShiftReduceEnd) {
    p = action - kStates;
    s.Push(0, next);  // the shifted terminal, reduced at once
  }
  for (;;) {
    s.Reduce(p);
    int go = kGoto[s.Top()][kLeft[p]];
    if (go == 1) return false;
    if (go <= kStates) {
      s.Push(go, follow);
      return true;
    }
    s.Push(0, follow);
    p = go - kStates;
  }
}

}  // namespace lr

// The real stack, with every reduction that builds a tree rule told to the
// parser's observer.
class Parser::ObservedStack {
 public:
  static constexpr bool kObserved = true;
  ObservedStack(Stack& stack, ParseObserver& observer) : stack_(&stack), observer_(&observer) {}
  int Top() const { return stack_->Top(); }
  TokenRecord& TopValue() const { return stack_->TopValue(); }
  void Push(int state, const TokenRecord& next) { stack_->Push(state, next); }
  void Reduce(int p) {
    stack_->Reduce(p);
    const lr::Reduction& r = lr::kReduction[p];
    // The first right-side symbol's record is now on top.
    if (r.rule >= 0) observer_->Reduced(r.rule, r.nodes, lr::PositionOf(stack_->TopValue()));
  }

 private:
  Stack* stack_;
  ParseObserver* observer_;
};

}  // namespace qel2json::detail
