// Syntax error recovery: report once, skip what fits nowhere, insert what
// is missing.  Inserted symbols are reduced like real ones, so every reduce
// action runs and the tree is always complete.
#include <vector>

#include "parser/lr_engine.h"
#include "scanner/tokens.h"
#include "source/report.h"

namespace lr {

namespace {

// The parse stack as a simulation sees it: the real states up to base, and
// above them the states the simulation pushed itself.  The real stack is
// never touched and never copied; nothing is built.
class Simulation {
 public:
  Simulation() : base_(stack.TopIndex()) {}
  int Top() const { return above_.empty() ? stack.StateAt(base_) : above_.back(); }
  void Push(int state, const TokenRecord&) { above_.push_back(state); }
  void Reduce(int p) {
    size_t n = kLength[p];
    if (n <= above_.size()) {
      above_.resize(above_.size() - n);
    } else {
      base_ -= int(n - above_.size());
      above_.clear();
    }
  }

 private:
  int base_;
  std::vector<int> above_;
};

// Whether terminal t can be shifted somewhere along the continuation of the
// current stack.
bool Fits(int t) {
  Simulation sim;
  for (;;) {
    int s = sim.Top();
    if (IsShift(kAction[s][t])) return true;
    if (!Apply(sim, ContinuationAction(s), CurrentToken, CurrentToken)) return false;
  }
}

// Follows the continuation on the real stack until the current token fits;
// every terminal shifted on the way is inserted, with the current token's
// coordinate and attribute 0.
int Insert() {
  for (;;) {
    int s = stack.Top();
    int action = kAction[s][CurrentToken.code];
    if (IsShift(action)) return action;
    action = ContinuationAction(s);
    TokenRecord inserted = {CurrentToken.line, CurrentToken.column, kContinuation[s], 0};
    if (IsShift(action)) stack.TopValue() = inserted;
    if (!Apply(stack, action, inserted, CurrentToken)) return kAccepted;
  }
}

}  // namespace

int Recover() {
  SrcPosition at = PositionOf(CurrentToken);
  Report(ERROR, "Syntax error", &at);
  while (CurrentToken.code != TK_EndOfText && !Fits(CurrentToken.code)) ReadToken();
  at = PositionOf(CurrentToken);
  Report(NOTE, "Parsing resumed here", &at);
  return Insert();
}

}  // namespace lr
