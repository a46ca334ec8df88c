// A small LALR(1) table generator for the project's grammar.
//
// It builds the LR(0) automaton, computes LALR(1) lookaheads by propagation,
// refuses any conflict, and makes no default reductions: a state reduces a
// production only on that production's lookahead terminals.  It also derives
// the continuation of every state, the terminal that error recovery assumes
// when the input does not fit: the first terminal of the shortest way to
// complete what the state has seen.
#pragma once

#include <compare>
#include <map>
#include <string>
#include <vector>

namespace lalr {

struct Terminal {
  int code;          // 1 is end of text
  std::string name;  // how the grammar writes a literal class (IntegerLiteral)
  std::string text;  // how the grammar writes it in quotes ("<", "SYSTEM")
};

struct Production {
  int number = 0;
  int lhs = 0;           // a nonterminal symbol
  std::vector<int> rhs;  // symbols
  std::string rule;      // the tree rule it builds, empty for none
  std::vector<int> args; // the rule's arguments: right-side positions, from 1
  int line = 0;          // where it stands in the grammar text
};

// Symbols 0 .. terminalCount-1 are the terminal codes (0 unused); the
// nonterminals follow, numbered in order of their first appearance.
struct Grammar {
  int terminalCount = 0;
  std::vector<std::string> names;       // of every symbol
  std::vector<Production> productions;  // indexed by number; [0] unused
  int start = 0;                        // number of the start production

  bool IsTerminal(int symbol) const { return symbol < terminalCount; }
  int NonterminalCode(int symbol) const { return symbol - terminalCount + 1; }
  int NonterminalCount() const { return int(names.size()) - terminalCount; }
};

// The terminals of the description language, from its token list.
std::vector<Terminal> LanguageTerminals();

// The grammar of the description language read from a file over those
// terminals; throws std::runtime_error naming the file on any fault.
Grammar ReadLanguageGrammar(const std::string& path);

// Writes text to a file; throws std::runtime_error when it cannot.
void WriteTextFile(const std::string& path, const std::string& text);

// Reads "number  Left -> symbols  => rule(#k, ...)" lines ("# ..." comments,
// blank lines).  The start production is the one whose left side appears on
// no right side.  Throws std::runtime_error naming the line on any fault.
Grammar ParseGrammar(const std::string& text, const std::vector<Terminal>& terminals);

struct Item {
  int prod;
  int dot;
  auto operator<=>(const Item&) const = default;
};

struct State {
  std::vector<Item> kernel;                // sorted
  std::map<int, int> next;                 // symbol -> state
  std::map<int, std::vector<int>> reduce;  // lookahead terminal -> productions
};

struct Automaton {
  std::vector<State> states;           // state 0 is the start state
  std::vector<std::string> conflicts;  // empty for an LALR(1) grammar
};

// The LR(0) automaton with LALR(1) reductions.
Automaton Build(const Grammar& g);

// A state whose only item is one complete item: it reduces whatever comes
// next, so the tables enter it never and reduce at once instead.  The state
// that completes the start production stays: it checks for end of text.
bool IsReduceOnly(const Grammar& g, const State& s);

// The continuation of every LR(0) state (a terminal code), by this rule:
// every nonterminal completes by its production with the fewest terminals
// in its shortest derivation (ties to the highest production number); a
// state completes the kernel item with the dot furthest right, expanding
// the rest of its right side leftmost first.  When that expansion is empty,
// the smallest terminal on which the state reduces that item serves.
// Throws when that kernel item is not unique in some state.
std::vector<int> Continuations(const Grammar& g, const Automaton& a);

// The encoded tables.  States are numbered 1..stateCount (1 is the start);
// reduce-only states are left out and reached through combined codes:
//   action: 0 error; 1..N shift and enter; N+p shift and reduce p;
//           N+P+p reduce p (P = number of productions)
//   goto:   1 accept; 2..N enter; N+p push and reduce p
struct Tables {
  int stateCount = 0;
  int productionCount = 0;
  std::vector<std::vector<int>> action;   // [state][terminal code]
  std::vector<std::vector<int>> go;       // [state][nonterminal code]
  std::vector<int> continuation;          // [state]
  std::vector<int> lr0;                   // [state] -> LR(0) state
  int lr0States = 0;
  int reduceOnlyStates = 0;
};

Tables Encode(const Grammar& g, const Automaton& a);

// The tables as a C++ header (with a comment that explains the encoding).
std::string EmitHeader(const Grammar& g, const Tables& t, const std::string& source);

// How every tree rule is written as description text: the right side of
// the production that builds it, as a C++ header.  Throws where a "<" does
// not enclose exactly one list, or a right-side symbol is neither written
// as it is nor an argument of the rule.
std::string EmitRuleTexts(const Grammar& g, const std::string& source);

}  // namespace lalr
