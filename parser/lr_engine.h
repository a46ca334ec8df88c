// What the parser engine and its error recovery share: the generated
// tables, the parse stack and the one routine that carries out an action on
// a stack.  Not for use outside parser/.
#pragma once

#include <cstdint>

#include "parser/parse_tables.h"
#include "parser/parser.h"
#include "scanner/tokens.h"
#include "source/source_buffer.h"
#include "tree/construction.h"

namespace lr {

using namespace parse_tables;

static_assert(kTerminals == kTokenCount + 1, "the parse tables were made for another token list");

// Action codes (see parse_tables.h): shift up to kStates, shift-and-reduce
// up to kShiftReduceEnd, reduce above; goto codes: 1 accept, enter up to
// kStates, push-and-reduce above.
inline constexpr int kShiftReduceEnd = kStates + kProductions;
inline bool IsShift(int action) { return action != 0 && action <= kShiftReduceEnd; }

// Recovery's result when the input has been completed to the start symbol.
inline constexpr int kAccepted = -1;

inline SrcPosition PositionOf(const TokenRecord& r) { return {r.line, r.column}; }

// The parse stack: two parallel arrays indexed by top, entry 0 unused.  The
// value entry k describes the symbol that follows the state at k, so that a
// production's right side starts at the value entry of the state below it.
class ParseStack {
 public:
  int Top() const { return state_[top_]; }
  int TopIndex() const { return top_; }
  int StateAt(int index) const { return state_[index]; }
  TokenRecord& TopValue() { return value_[top_]; }
  void Push(int state, const TokenRecord& next);
  // Pops the right side of production p and builds its tree rule.
  void Reduce(int p);
  void Clear();

 private:
  void Grow();
  uint16_t* state_ = nullptr;
  TokenRecord* value_ = nullptr;
  int size_ = 0;
  int top_ = 0;
};
extern ParseStack stack;

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

// The action of state s on its continuation terminal: never an error in
// consistent tables.
int ContinuationAction(int s);

// Reads the next token into CurrentToken.
void ReadToken();

// Reports the syntax error in CurrentToken and repairs the input: skips
// tokens that fit nowhere along the continuation, then inserts the
// continuation's terminals until the current token fits.  Returns a shift
// or shift-and-reduce action for the current token, or kAccepted.
int Recover();

}  // namespace lr
