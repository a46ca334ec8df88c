// The LR parser: pulls tokens from the scanner, drives the tables generated
// from grammar.txt, builds the tree through the reduce actions, and repairs
// syntax errors so that a complete tree always results.
#pragma once

#include <array>
#include <cstdint>

#include "memory/growing_array.h"
#include "scanner/scanner.h"
#include "source/report.h"
#include "tree/construction.h"

namespace qel2json::detail {

// One grammar symbol on the parse stack, and the lookahead token.
struct TokenRecord {
  int line;       // of the symbol's first token
  int column;
  int code;       // terminal code
  int attribute;  // as the scanner delivered it; 0 for an inserted symbol
};

// Told of every token the parser reads and every tree node it builds, for
// tools that show the text (an outline, highlighting).  Parsing without one
// costs nothing: the parse loop is made twice, with and without the calls.
class ParseObserver {
 public:
  // A token as the scanner delivered it: its terminal code, its bytes in
  // the input (from `offset`, and at `text` during the call) and its
  // coordinate.  The end of text may come more than once.
  virtual void Token(int code, size_t offset, size_t length, SrcPosition position, const char* text) = 0;
  // A production that builds tree rule `rule` was reduced.  Its right side
  // holds `nodes` nonterminals (their nodes were told of before, the last
  // most recently); `first` is the coordinate of its first token, or of the
  // next token for an empty right side.  Its tokens end before the token
  // told of last, which is the one after them.
  virtual void Reduced(int rule, int nodes, SrcPosition first) = 0;

 protected:
  ~ParseObserver() = default;
};

class Parser {
 public:
  Parser(PageSource& pages, Scanner& scanner, Tree& tree, Reports& reports);
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  // Parses the whole input from the start of the scanner's text into the
  // tree, and returns its root.
  NodeRef Parse();

  // Tells `observer` (or nobody, when null) of the tokens and reductions of
  // the next parses.
  void Observe(ParseObserver* observer) { observer_ = observer; }

 private:
  // The parse stack: two parallel arrays, entry 0 unused.  The value entry
  // k describes the symbol that follows the state at k, so that a
  // production's right side starts at the value entry of the state below
  // it.
  class Stack {
   public:
    static constexpr bool kObserved = false;
    Stack(PageSource& pages, Parser& parser) : states_(pages), values_(pages), parser_(&parser) {}
    int Top() const { return states_[size_t(top_)]; }
    int TopIndex() const { return top_; }
    int StateAt(int index) const { return states_[size_t(index)]; }
    TokenRecord& TopValue() const { return values_[size_t(top_)]; }
    void Push(int state, const TokenRecord& next) {
      if (++top_ == capacity_) Grow();
      states_[size_t(top_)] = uint16_t(state);
      values_[size_t(top_)] = next;
    }
    // Pops the right side of production p and builds its tree rule.
    void Reduce(int p);
    void Clear();

   private:
    void Grow();
    // Both arrays have room for the same number of entries; entries 1 to
    // top_ are used.
    GrowingArray<uint16_t> states_;
    GrowingArray<TokenRecord> values_;
    Parser* parser_;
    int top_ = 0;
    int capacity_ = 0;  // of the smaller
  };
  class Simulation;
  class ObservedStack;

  // recovery.cc
  template <class S>
  int Recover(S& stack);
  bool Fits(int t);
  bool Accepts(int t);
  uint64_t Expected();
  template <class S>
  int Insert(S& stack);

  // parser.cc
  template <class S>
  void Run(S& stack);
  template <bool Observed>
  void ReadToken();
  int ContinuationAction(int s);

  // reduce_action.cc: builds the tree rule of a production.  first is the
  // value-stack entry of the first right-side symbol (the others follow
  // it); its coordinate, the first token of the text the production
  // covered or the lookahead for an empty right side, is the node's.
  void ReduceAction(int production, const TokenRecord* first);
  template <int P>
  static void ReduceBy(Parser& parser, const TokenRecord* first);

  Scanner* scanner_;
  Tree* tree_;
  Reports* reports_;
  ParseObserver* observer_ = nullptr;
  Stack stack_;
  // Finished subtrees (and open lists) wait here for their parent.
  GrowingArray<NodeRef> nodes_;
  // The states a simulation of recovery pushed above the real stack.
  GrowingArray<int> simulated_;
  // The lookahead.  The scanner writes the attribute field directly, so a
  // token without a value leaves the previous attribute standing there.
  TokenRecord current_ = {};
};

}  // namespace qel2json::detail
