#include "tree/construction.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace qel2json::detail {

namespace {

// An open list is named by the place of its kind word among the pending
// words, marked by the top bit.
constexpr NodeRef kOpenList = NodeRef(1) << 31;
bool IsOpenList(NodeRef n) { return n & kOpenList; }

}  // namespace

Tree::Tree(PageSource& pages, Reports& reports) : store_(pages), pending_(pages), reports_(&reports) { Clear(); }

void Tree::Clear() {
  store_.Clear();
  store_.Push(0);  // word 0: no node
  pending_.Clear();
}

NodeRef Tree::Alloc(uint32_t words) {
  // The top bit of a reference marks open lists.
  if (words > kOpenList - 1 - store_.size()) throw OutOfMemory{};
  return NodeRef(store_.Extend(words));
}

int Tree::KindOfArg(NodeRef n) const {
  return IsOpenList(n) ? int(pending_[n & ~kOpenList]) : KindOf(n);
}

void Tree::Refuse(const RuleInfo& r, int position, int kind, const SrcPosition* pos) {
  char text[160];
  snprintf(text, sizeof text, "RULE %.*s: root of subtree no. %d can not be made a %.*s node ",
           int(r.name.size()), r.name.data(), position, int(kKindNames[size_t(kind)].size()),
           kKindNames[size_t(kind)].data());
  // The tree knows coordinates only, not the bytes of the input.
  reports_->Report(Code::InternalFault, text, Place{*pos, 0, 0});
  throw TranslationEnded{};  // not reached: a DEADLY report ends the translation
}

NodeRef Tree::OpenList(int kind) {
  if (pending_.size() >= kOpenList) throw OutOfMemory{};
  NodeRef list = kOpenList | NodeRef(pending_.size());
  pending_.Push(uint32_t(kind));
  return list;
}

// The open list that grows is always the one opened last.
void Tree::Append(uint32_t element) { pending_.Push(element); }

// Moves the open list, which must be the one opened last, into the store.
// Its length is a word: a list longer than a reference can name is out of
// room, as the store is.
NodeRef Tree::CloseList(NodeRef list) {
  uint32_t header = list & ~kOpenList;
  size_t elements = pending_.size() - header - 1;
  if (elements >= kOpenList) throw OutOfMemory{};
  uint32_t count = uint32_t(elements);
  NodeRef closed = Alloc(count + 1);
  uint32_t* at = store_.data() + closed;
  at[0] = count;
  memcpy(at + 1, pending_.data() + header + 1, count * sizeof(uint32_t));
  pending_.Truncate(header);
  return closed;
}

// Child i of rule R (an argument), coerced to its kind, or a DEADLY report.
template <int R, int I>
NodeRef Tree::CheckedChild(const SrcPosition* pos, const NodeArg* args) {
  constexpr int kind = kShape[R].arg[I];
  NodeRef child = args[I].node;
  if (child && KindOfArg(child) == kind) [[likely]]
    return child;
  child = Coerce(kind, pos, child);
  if (!child) Refuse(kRules[R], kShape[R].slot[I] + 1, kind, pos);
  return child;
}

// The construction of rule R, with its shape known at compile time: the
// checks and copies of its arguments need no loop over the rule table.
template <int R>
NodeRef Tree::BuildRule(Tree& t, const SrcPosition* pos, const NodeArg* args) {
  constexpr RuleShape r = kShape[R];
  constexpr ListRole role = kRules[R].list;
  if constexpr (role == ListRole::Empty) {
    return t.OpenList(r.kind);
  } else if constexpr (role == ListRole::Append) {
    NodeRef list = t.CheckedChild<R, 0>(pos, args);
    if constexpr (r.arg[1] >= 0)
      t.Append(t.CheckedChild<R, 1>(pos, args));
    else
      t.Append(uint32_t(args[1].value));
    return list;
  } else {
    NodeRef children[kMaxArgs + 1] = {};  // one to spare for rules without children
    [&]<size_t... I>(std::index_sequence<I...>) {
      ((r.arg[I] >= 0 ? void(children[r.slot[I]] = t.CheckedChild<R, int(I)>(pos, args)) : void()), ...);
    }(std::make_index_sequence<r.argCount>());
    // The lists among the children were opened in child order: the last
    // one is closed first.
    for (int i = r.childCount; i-- > 0;)
      if (IsOpenList(children[i])) children[i] = t.CloseList(children[i]);
    NodeRef n = t.Alloc(1 + r.childCount + r.valueCount);
    uint32_t* at = t.store_.data() + n;
    at[0] = uint32_t(R);
    for (int i = 0; i < r.argCount; ++i)
      at[1 + r.slot[i]] = r.arg[i] >= 0 ? children[r.slot[i]] : uint32_t(args[i].value);
    return n;
  }
}

template <size_t... R>
constexpr std::array<Tree::Builder, kRuleCount> Tree::BuilderTable(std::index_sequence<R...>) {
  return {&Tree::BuildRule<int(R)>...};
}

const std::array<Tree::Builder, kRuleCount> Tree::kBuilders = BuilderTable(std::make_index_sequence<kRuleCount>());

NodeRef Tree::Coerce(int kind, const SrcPosition* pos, NodeRef n) {
  if (!n) return 0;
  int has = KindOfArg(n);
  if (has == kind) return n;
  int chain = kChainInto[size_t(kind)];
  if (chain < 0 || kRules[size_t(chain)].arg[0] != has) return 0;
  NodeArg child = tree_detail::Arg(n);
  return Build(chain, pos, &child);
}

NodeRef Tree::Build(int rule, const SrcPosition* pos, const NodeArg* args) {
  return kBuilders[size_t(rule)](*this, pos, args);
}

}  // namespace qel2json::detail
