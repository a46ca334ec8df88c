#include "parser/parser.h"

#include <cstdlib>

#include "parser/lr_engine.h"
#include "scanner/scanner.h"
#include "source/report.h"

TokenRecord CurrentToken;

namespace engine {

Stacks stack;

namespace {

constexpr int kGrowth = 150;

void Grow() {
  stack.size += kGrowth;
  size_t entries = size_t(stack.size) + 1;
  void* states = realloc(stack.state, entries * sizeof *stack.state);
  void* values = realloc(stack.value, entries * sizeof *stack.value);
  if (!states || !values) {
    SrcPosition at = {CurrentToken.line, CurrentToken.column};
    Report(DEADLY, "out of memory for the parse stack", &at);
  }
  stack.state = static_cast<uint16_t*>(states);
  stack.value = static_cast<TokenRecord*>(values);
}

void Enter(int state) {
  Advance(CurrentToken);
  stack.state[stack.top] = uint16_t(state);
}

// The action for the current token; on an error, asks the repair hook and
// then recovery.
int Decide() {
  int action = kAction[stack.state[stack.top]][CurrentToken.code];
  while (action == 0 && RepairToken(&CurrentToken)) {
    stack.value[stack.top] = CurrentToken;
    action = kAction[stack.state[stack.top]][CurrentToken.code];
  }
  if (action != 0) return action;
  // Every raise of the top grows the stacks as soon as the top reaches
  // their size, so this entry is always there.
  action = Recover();
  stack.value[stack.top] = CurrentToken;
  if (action != kAccepted && !IsShift(action)) WrongTables();
  return action;
}

}  // namespace

void ReadToken() {
  CurrentToken.code = NextToken(&CurrentToken.attribute);
  CurrentToken.line = TokenPos.line;
  CurrentToken.column = TokenPos.col;
}

void Advance(const TokenRecord& record) {
  if (++stack.top == stack.size) Grow();
  stack.value[stack.top] = record;
}

bool Reduce(int p, const TokenRecord& record) {
  for (;;) {
    stack.top -= kLength[p];
    ReduceAction(p, &stack.value[stack.top]);
    int go = kGoto[stack.state[stack.top]][kLeft[p]];
    if (go == 1) return false;
    Advance(record);
    if (go <= kStates) {
      stack.state[stack.top] = uint16_t(go);
      return true;
    }
    p = go - kStates;
  }
}

void WrongTables() {
  SrcPosition at = {CurrentToken.line, CurrentToken.column};
  Report(DEADLY, "Wrong parse tables", &at);
  abort();  // not reached: a DEADLY report ends the process
}

}  // namespace engine

void Parse() {
  using namespace engine;
  if (!stack.state) Grow();
  stack.top = 0;
  ReadToken();
  Enter(1);
  for (;;) {
    int action = Decide();
    if (action == kAccepted) return;
    if (action <= kStates) {
      ReadToken();
      Enter(action);
      continue;
    }
    int p;
    if (action <= kShiftReduceEnd) {
      p = action - kStates;
      ReadToken();
      Advance(CurrentToken);
    } else {
      p = action - kShiftReduceEnd;
    }
    if (!Reduce(p, CurrentToken)) return;
  }
}

int RepairToken(TokenRecord*) { return 0; }
