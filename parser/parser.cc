// The LR engine: the parse stack and the parse loop.
#include "parser/parser.h"

#include <cstdlib>

#include "parser/lr_engine.h"
#include "scanner/scanner.h"
#include "source/report.h"

TokenRecord CurrentToken;

namespace lr {

ParseStack stack;

namespace {

constexpr int kGrowth = 150;

}  // namespace

void ParseStack::Grow() {
  size_ += kGrowth;
  size_t entries = size_t(size_) + 1;
  void* states = realloc(state_, entries * sizeof *state_);
  void* values = realloc(value_, entries * sizeof *value_);
  if (!states || !values) {
    SrcPosition at = PositionOf(CurrentToken);
    Report(DEADLY, "out of memory for the parse stack", &at);
  }
  state_ = static_cast<uint16_t*>(states);
  value_ = static_cast<TokenRecord*>(values);
}

void ParseStack::Push(int state, const TokenRecord& next) {
  if (++top_ == size_) Grow();
  state_[top_] = uint16_t(state);
  value_[top_] = next;
}

void ParseStack::Reduce(int p) {
  top_ -= kLength[p];
  ReduceAction(p, &value_[top_]);
}

void ParseStack::Clear() {
  if (!state_) Grow();
  top_ = 0;
}

int ContinuationAction(int s) {
  int action = kAction[s][kContinuation[s]];
  if (action == 0) {
    SrcPosition at = PositionOf(CurrentToken);
    Report(DEADLY, "Wrong parse tables", &at);
  }
  return action;
}

void ReadToken() {
  CurrentToken.code = NextToken(&CurrentToken.attribute);
  CurrentToken.line = TokenPos.line;
  CurrentToken.column = TokenPos.col;
}

}  // namespace lr

void Parse() {
  using namespace lr;
  StartScanning();
  stack.Clear();
  ReadToken();
  stack.Push(1, CurrentToken);
  for (;;) {
    int action = kAction[stack.Top()][CurrentToken.code];
    if (action == 0) {
      action = Recover();
      stack.TopValue() = CurrentToken;
      if (action == kAccepted) return;
    }
    if (IsShift(action)) ReadToken();
    if (!Apply(stack, action, CurrentToken, CurrentToken)) return;
  }
}
