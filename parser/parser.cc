// The LR engine: the parse stack and the parse loop.
#include "parser/parser.h"

#include <algorithm>
#include <climits>

#include "parser/lr_engine.h"

namespace qel2json::detail {

using namespace lr;

Parser::Parser(PageSource& pages, Scanner& scanner, Tree& tree, Reports& reports)
    : scanner_(&scanner), tree_(&tree), reports_(&reports), stack_(pages, *this), nodes_(pages), simulated_(pages) {}

void Parser::Stack::Reduce(int p) {
  top_ -= kLength[p];
  parser_->ReduceAction(p, values_.data() + top_);
}

// Entries are counted in ints: a stack deeper than that has run out of
// room, as a tree beyond its 32-bit references has.
void Parser::Stack::Grow() {
  size_t most = size_t(INT_MAX);
  if (size_t(capacity_) >= most) throw OutOfMemory{};
  size_t entries = std::min(2 * size_t(capacity_) + 64, most);
  states_.Reserve(entries);
  values_.Reserve(entries);
  capacity_ = int(std::min({states_.capacity(), values_.capacity(), most}));
}

void Parser::Stack::Clear() {
  if (capacity_ == 0) Grow();
  top_ = 0;
}

int Parser::ContinuationAction(int s) {
  int action = kAction[s][kContinuation[s]];
  if (action == 0) {
    reports_->Report(Code::InternalFault, "Wrong parse tables", scanner_->tokenPlace());
  }
  return action;
}

template <bool Observed>
void Parser::ReadToken() {
  current_.code = scanner_->Next(&current_.attribute);
  current_.line = scanner_->tokenPos().line;
  current_.column = scanner_->tokenPos().col;
  if constexpr (Observed) {
    Place place = scanner_->tokenPlace();
    observer_->Token(current_.code, place.offset, place.length, place.position, scanner_->tokenBegin());
  }
}

// Recovery reads tokens too.
template void Parser::ReadToken<false>();
template void Parser::ReadToken<true>();

template <class S>
void Parser::Run(S& stack) {
  ReadToken<S::kObserved>();
  stack.Push(1, current_);
  for (;;) {
    int action = kAction[stack.Top()][current_.code];
    if (action == 0) {
      action = Recover(stack);
      stack.TopValue() = current_;
      if (action == kAccepted) break;
    }
    if (IsShift(action)) ReadToken<S::kObserved>();
    if (!Apply(stack, action, current_, current_)) break;
  }
}

NodeRef Parser::Parse() {
  scanner_->Start();
  stack_.Clear();
  nodes_.Resize(1);  // entry 0 is never used
  current_ = {};
  if (observer_) {
    ObservedStack observed(stack_, *observer_);
    Run(observed);
  } else {
    Run(stack_);
  }
  return nodes_.back();
}

}  // namespace qel2json::detail
