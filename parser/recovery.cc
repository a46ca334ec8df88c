// Syntax error recovery: report once, skip what fits nowhere, insert what
// is missing.  Inserted symbols are reduced like real ones, so every reduce
// action runs and the tree is always complete.
#include "parser/lr_engine.h"

namespace qel2json::detail {

using namespace lr;

// The parse stack as a simulation sees it: the real states up to base, and
// above them the states the simulation pushed itself.  The real stack is
// never touched and never copied; nothing is built.
class Parser::Simulation {
 public:
  explicit Simulation(Parser& p) : stack_(&p.stack_), above_(&p.simulated_), base_(p.stack_.TopIndex()) {
    above_->Clear();
  }
  int Top() const { return above_->empty() ? stack_->StateAt(base_) : above_->back(); }
  void Push(int state, const TokenRecord&) { above_->Push(state); }
  void Reduce(int p) {
    size_t n = size_t(kLength[p]);
    if (n <= above_->size()) {
      above_->Truncate(above_->size() - n);
    } else {
      base_ -= int(n - above_->size());
      above_->Clear();
    }
  }

 private:
  const Stack* stack_;
  GrowingArray<int>* above_;
  int base_;
};

// Whether terminal t can be shifted somewhere along the continuation of the
// current stack.
bool Parser::Fits(int t) {
  Simulation sim(*this);
  for (;;) {
    int s = sim.Top();
    if (IsShift(kAction[s][t])) return true;
    if (!Apply(sim, ContinuationAction(s), current_, current_)) return false;
  }
}

// Whether terminal t could come next: the reductions it calls for lead to
// its shift, or to the end of the parse.
bool Parser::Accepts(int t) {
  Simulation sim(*this);
  for (;;) {
    int action = kAction[sim.Top()][t];
    if (action == 0) return false;
    if (IsShift(action) || !Apply(sim, action, current_, current_)) return true;
  }
}

uint64_t Parser::Expected() {
  uint64_t expected = 0;
  for (int t = 1; t < kTerminals; ++t)
    if (Accepts(t)) expected |= uint64_t(1) << t;
  return expected;
}

// Follows the continuation on the real stack until the current token fits;
// every terminal shifted on the way is inserted, with the current token's
// coordinate and attribute 0.
template <class S>
int Parser::Insert(S& stack) {
  for (;;) {
    int s = stack.Top();
    int action = kAction[s][current_.code];
    if (IsShift(action)) return action;
    action = ContinuationAction(s);
    TokenRecord inserted = {current_.line, current_.column, kContinuation[s], 0};
    if (IsShift(action)) stack.TopValue() = inserted;
    if (!Apply(stack, action, inserted, current_)) return kAccepted;
  }
}

// Reports the syntax error in the current token, with the terminals that
// could have come there, and repairs the input: skips tokens that fit
// nowhere along the continuation, then inserts the continuation's
// terminals until the current token fits.  Returns a shift or
// shift-and-reduce action for the current token, or kAccepted.
template <class S>
int Parser::Recover(S& stack) {
  size_t error = reports_->Report(Code::SyntaxError, scanner_->tokenPlace(), Expected());
  while (current_.code != TK_EndOfText && !Fits(current_.code)) ReadToken<S::kObserved>();
  reports_->Report(Code::ParsingResumed, scanner_->tokenPlace(), 0, error);
  return Insert(stack);
}

template int Parser::Recover(Stack&);
template int Parser::Recover(ObservedStack&);

}  // namespace qel2json::detail
