// Syntax error recovery: report once, skip what fits nowhere, insert what
// is missing.  Inserted symbols are reduced like real ones, so every reduce
// action runs and the tree is always complete.
#include <vector>

#include "parser/lr_engine.h"
#include "scanner/tokens.h"
#include "source/report.h"

namespace engine {

namespace {

// The parse stack as a simulation sees it: the real states up to base, and
// above them the states the simulation pushed itself.  The real stack is
// never touched and never copied.
class Simulation {
 public:
  Simulation() : base_(stack.top) {}
  int Top() const { return above_.empty() ? stack.state[base_] : above_.back(); }
  void Push(int state) { above_.push_back(state); }
  void Pop(int n) {
    if (size_t(n) <= above_.size()) {
      above_.resize(above_.size() - size_t(n));
    } else {
      base_ -= n - int(above_.size());
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
    int action = kAction[s][kContinuation[s]];
    if (action == 0) WrongTables();
    if (action <= kStates) {
      sim.Push(action);
      continue;
    }
    int p = action - kShiftReduceEnd;
    if (action <= kShiftReduceEnd) {
      p = action - kStates;
      sim.Push(0);  // the shifted terminal, reduced at once
    }
    for (;;) {
      sim.Pop(kLength[p]);
      int go = kGoto[sim.Top()][kLeft[p]];
      if (go == 1) return false;
      sim.Push(go <= kStates ? go : 0);
      if (go <= kStates) break;
      p = go - kStates;
    }
  }
}

SrcPosition Where() { return {CurrentToken.line, CurrentToken.column}; }

// Follows the continuation on the real stack until the current token fits.
int Insert() {
  for (;;) {
    int s = stack.state[stack.top];
    int action = kAction[s][CurrentToken.code];
    if (IsShift(action)) return action;
    int t = kContinuation[s];
    action = kAction[s][t];
    if (action == 0) WrongTables();
    TokenRecord inserted = {CurrentToken.line, CurrentToken.column, t, 0};
    int p;
    if (IsShift(action)) {
      stack.value[stack.top] = inserted;
      Advance(inserted);
      if (action <= kStates) {
        stack.state[stack.top] = uint16_t(action);
        continue;
      }
      p = action - kStates;
    } else {
      p = action - kShiftReduceEnd;
    }
    TokenRecord follow = {CurrentToken.line, CurrentToken.column, CurrentToken.code, 0};
    if (!Reduce(p, follow)) return kAccepted;
  }
}

}  // namespace

int Recover() {
  SrcPosition at = Where();
  Report(ERROR, "Syntax error", &at);
  while (CurrentToken.code != TK_EndOfText && !Fits(CurrentToken.code)) ReadToken();
  at = Where();
  Report(NOTE, "Parsing resumed here", &at);
  return Insert();
}

}  // namespace engine
