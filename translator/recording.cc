#include "translator/recording.h"

#include <algorithm>

#include "scanner/tokens.h"
#include "tree/rule_table.h"

namespace qel2json::detail {

namespace {

bool Before(const SrcPosition& a, const SrcPosition& b) { return a.line != b.line ? a.line < b.line : a.col < b.col; }

}  // namespace

void Recording::Start(bool spans) {
  spans_ = spans;
  all_.clear();
  tokens_.clear();
  nodes_.clear();
  waiting_.clear();
}

void Recording::Token(int code, size_t offset, size_t length, SrcPosition position, const char*) {
  // The scanner repeats the end of text to whoever asks again.
  if (code == TK_EndOfText && !tokens_.empty() && TokenAt(tokens_.size() - 1).code == TK_EndOfText) return;
  tokens_.push_back(all_.size());
  all_.push_back({code, offset, length, position});
}

void Recording::Comment(size_t offset, size_t length, SrcPosition position, const char*) {
  all_.push_back({0, offset, length, position});
}

// The index of the first token at or after position, among the first `end`
// tokens.  Coordinates grow along the text; most productions are short and
// just read, so the search gallops back from the end before it halves.
size_t Recording::FirstTokenAt(SrcPosition position, size_t end) const {
  size_t low = end, step = 1;
  while (low > 0 && !Before(TokenAt(low - 1).position, position)) {
    size_t next = low > step ? low - step : 0;
    if (Before(TokenAt(next).position, position)) {
      // The answer lies in (next, low - 1]: halve there.
      size_t lo = next + 1, hi = low - 1;
      while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (Before(TokenAt(mid).position, position))
          lo = mid + 1;
        else
          hi = mid;
      }
      return lo;
    }
    low = next;
    step *= 2;
  }
  return low;
}

// A node's name: the first string literal among its own tokens (those of
// no child), else its first keyword.
size_t Recording::NameOf(size_t first, size_t end, const size_t* children, size_t count) const {
  size_t keyword = kNoParent;
  auto look = [&](size_t from, size_t to) {
    for (size_t t = from; t < to; ++t) {
      TokenClass c = ClassOf(TokenAt(t).code);
      if (c == TokenClass::String) return t;
      if (c == TokenClass::Keyword && keyword == kNoParent) keyword = t;
    }
    return kNoParent;
  };
  size_t from = first;
  for (size_t i = 0; i < count; ++i) {
    const Node& child = nodes_[children[i]];
    if (child.first >= child.end) continue;
    if (size_t found = look(from, child.first); found != kNoParent) return found;
    from = child.end;
  }
  size_t found = look(from, end);
  return found != kNoParent ? found : keyword;
}

void Recording::Reduced(int rule, int nodes, SrcPosition first) {
  if (!spans_ || tokens_.empty()) return;
  const RuleInfo& info = kRules[size_t(rule)];
  size_t end = tokens_.size() - 1;  // the token after the production
  size_t count = std::min(size_t(nodes), waiting_.size());
  size_t base = waiting_.size() - count;
  if (info.list == ListRole::Append && count > 0) {
    size_t list = waiting_[base];
    nodes_[list].end = std::max(nodes_[list].end, end);
    for (size_t i = base + 1; i < waiting_.size(); ++i) nodes_[waiting_[i]].parent = list;
    waiting_.resize(base + 1);
    return;
  }
  size_t from = FirstTokenAt(first, end);
  size_t index = nodes_.size();
  size_t name = info.list == ListRole::None ? NameOf(from, end, waiting_.data() + base, count) : kNoParent;
  nodes_.push_back({info.kind, from, std::max(from, end), name, kNoParent});
  for (size_t i = base; i < waiting_.size(); ++i) nodes_[waiting_[i]].parent = index;
  waiting_.resize(base);
  waiting_.push_back(index);
}

// A copy of exactly the size needed: the recording keeps its memory, warm,
// for the next translation.
std::vector<RecordedToken> Recording::TakeTokens() { return all_; }

namespace {

// The spans in the order of a walk that finishes every child, in the
// order of the text, before its parent (a list is begun before its
// elements, so the order of reductions is not such a walk).  No recursion:
// descriptions nest as deeply as they like.
std::vector<RecordedSpan> ChildrenFirst(std::vector<RecordedSpan> spans) {
  constexpr size_t kNone = kNoParent;
  size_t n = spans.size();
  std::vector<size_t> first(n, kNone), last(n, kNone), next(n, kNone), roots;
  for (size_t i = 0; i < n; ++i) {
    size_t p = spans[i].parent;
    if (p == kNoParent) {
      roots.push_back(i);
      continue;
    }
    (last[p] == kNone ? first[p] : next[last[p]]) = i;
    last[p] = i;
  }
  std::vector<size_t> order, renumbered(n);
  order.reserve(n);
  std::vector<size_t> path;
  for (size_t root : roots) {
    // Down the first children, then along the siblings, finishing each
    // node when its last child is done.
    path.push_back(root);
    size_t at = first[root];
    while (!path.empty()) {
      if (at != kNone) {
        path.push_back(at);
        at = first[at];
        continue;
      }
      size_t done = path.back();
      path.pop_back();
      renumbered[done] = order.size();
      order.push_back(done);
      at = path.empty() ? kNone : next[done];
    }
  }
  std::vector<RecordedSpan> sorted;
  sorted.reserve(n);
  for (size_t i : order) {
    sorted.push_back(spans[i]);
    if (sorted.back().parent != kNoParent) sorted.back().parent = renumbered[sorted.back().parent];
  }
  return sorted;
}

}  // namespace

// An empty node stands right after the token before it; a node's text
// never reaches outside its parent's (recovery may insert a node at the
// end of the text, after its parent's last token).
std::vector<RecordedSpan> Recording::TakeSpans() {
  std::vector<RecordedSpan> spans;
  spans.reserve(nodes_.size());
  for (const Node& n : nodes_) {
    size_t begin = 0, end = 0;
    if (n.first < n.end) {
      begin = TokenAt(n.first).offset;
      end = TokenAt(n.end - 1).offset + TokenAt(n.end - 1).length;
    } else if (n.first > 0) {
      const RecordedToken& before = TokenAt(std::min(n.first, tokens_.size()) - 1);
      begin = end = before.offset + before.length;
    }
    size_t nameBegin = begin, nameEnd = begin;
    if (n.name != kNoParent) {
      nameBegin = TokenAt(n.name).offset;
      nameEnd = nameBegin + TokenAt(n.name).length;
    }
    spans.push_back({n.kind, begin, end, nameBegin, nameEnd, n.parent});
  }
  spans = ChildrenFirst(std::move(spans));
  for (size_t i = spans.size(); i-- > 0;) {
    RecordedSpan& s = spans[i];
    if (s.parent == kNoParent) continue;
    const RecordedSpan& p = spans[s.parent];
    s.begin = std::clamp(s.begin, p.begin, p.end);
    s.end = std::clamp(s.end, s.begin, p.end);
    s.nameBegin = std::clamp(s.nameBegin, s.begin, s.end);
    s.nameEnd = std::clamp(s.nameEnd, s.nameBegin, s.end);
  }
  return spans;
}

}  // namespace qel2json::detail
