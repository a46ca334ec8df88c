// What the parser engine and its error recovery share: the stacks, the
// generated tables and the moves on them.  Not for use outside parser/.
#pragma once

#include <cstdint>

#include "parser/parse_tables.h"
#include "parser/parser.h"

namespace engine {

using namespace parse_tables;

// Action codes (see parse_tables.h): shift up to kStates, shift-and-reduce
// up to kShiftReduceEnd, reduce above.
inline constexpr int kShiftReduceEnd = kStates + kProductions;
inline bool IsShift(int action) { return action != 0 && action <= kShiftReduceEnd; }

// Recovery's result when the input has been completed to the start symbol.
inline constexpr int kAccepted = -1;

// The parse stack: two parallel arrays indexed by top, entry 0 unused.  The
// value entry k describes the symbol that follows the state at k.
struct Stacks {
  uint16_t* state = nullptr;
  TokenRecord* value = nullptr;
  int size = 0;
  int top = 0;
};
extern Stacks stack;

// Reads the next token into CurrentToken.
void ReadToken();

// Raises the top by one (growing the stacks when it reaches their size) and
// stores record as the new top value; the state slot is left to the caller.
void Advance(const TokenRecord& record);

// Reduces production p and every production a goto-and-reduce code chains
// to it; a goto to a state pushes that state with record as its value.
// Returns false when the goto is the accept code.
bool Reduce(int p, const TokenRecord& record);

// Reports the syntax error in CurrentToken and repairs the input: skips
// tokens that fit nowhere along the continuation, then inserts the
// continuation's terminals until the current token fits.  Returns a shift
// or shift-and-reduce action for the current token, or kAccepted.
int Recover();

[[noreturn]] void WrongTables();

}  // namespace engine
