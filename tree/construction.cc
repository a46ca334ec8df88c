#include "tree/construction.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "memory/arena.h"
#include "memory/growing_block.h"
#include "source/report.h"
#include "tree/node_stack.h"

const uint32_t* NodeWords = nullptr;

namespace {

// A growing array of words, in a block that moves without copying when
// it is large.
class WordArray {
 public:
  uint32_t* data() const { return static_cast<uint32_t*>(block_.data()); }
  uint32_t size() const { return size_; }
  // Room for n more words at the end; returns the index of the first.
  uint32_t Grow(uint32_t n) {
    if (n > Capacity() - size_) Reserve(n);
    uint32_t at = size_;
    size_ += n;
    return at;
  }
  void Shrink(uint32_t size) { size_ = size; }

 private:
  uint32_t Capacity() const { return uint32_t(block_.capacity() / sizeof(uint32_t)); }
  void Reserve(uint32_t n) {
    size_t words = size_t(size_) + n;
    if (words > UINT32_MAX / 2) MemoryExhausted();  // the top bit of a reference marks open lists
    block_.Reserve(words * sizeof(uint32_t));
  }
  GrowingBlock block_;
  uint32_t size_ = 0;
};

WordArray Store;    // every node and closed list; word 0 is no node
WordArray Pending;  // the open lists: for each, its kind, then its elements

// An open list is named by the place of its kind word in Pending, marked
// by the top bit.
constexpr NodeRef kOpenList = NodeRef(1) << 31;
bool IsOpenList(NodeRef n) { return n & kOpenList; }

int KindOfArg(NodeRef n) {
  return IsOpenList(n) ? int(Pending.data()[n & ~kOpenList]) : KindOf(n);
}

[[noreturn]] void Refuse(const RuleInfo& r, int position, int kind, const SrcPosition* pos) {
  char text[160];
  snprintf(text, sizeof text, "RULE %.*s: root of subtree no. %d can not be made a %.*s node ",
           int(r.name.size()), r.name.data(), position, int(kKindNames[size_t(kind)].size()),
           kKindNames[size_t(kind)].data());
  Report(DEADLY, text, pos);
  abort();  // Report does not return from a DEADLY report
}

NodeRef OpenList(int kind) {
  uint32_t at = Pending.Grow(1);
  Pending.data()[at] = uint32_t(kind);
  return kOpenList | at;
}

// The open list that grows is always the one opened last.
void Append(uint32_t element) {
  uint32_t at = Pending.Grow(1);
  Pending.data()[at] = element;
}

// Moves the open list, which must be the one opened last, into the store.
NodeRef CloseList(NodeRef list) {
  uint32_t header = list & ~kOpenList;
  uint32_t count = Pending.size() - header - 1;
  NodeRef closed = TreeNodeAlloc(int(count) + 1);
  uint32_t* at = Store.data() + closed;
  at[0] = count;
  memcpy(at + 1, Pending.data() + header + 1, count * sizeof(uint32_t));
  Pending.Shrink(header);
  return closed;
}

// Child i of rule R (an argument), coerced to its kind, or a DEADLY report.
template <int R, int I>
NodeRef CheckedChild(const SrcPosition* pos, const NodeArg* args) {
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
NodeRef Build(const SrcPosition* pos, const NodeArg* args) {
  constexpr RuleShape r = kShape[R];
  constexpr ListRole role = kRules[R].list;
  if constexpr (role == ListRole::Empty) {
    return OpenList(r.kind);
  } else if constexpr (role == ListRole::Append) {
    NodeRef list = CheckedChild<R, 0>(pos, args);
    if constexpr (r.arg[1] >= 0)
      Append(CheckedChild<R, 1>(pos, args));
    else
      Append(uint32_t(args[1].value));
    return list;
  } else {
    NodeRef children[kMaxArgs + 1];  // one to spare for rules without children
    [&]<size_t... I>(std::index_sequence<I...>) {
      ((r.arg[I] >= 0 ? void(children[r.slot[I]] = CheckedChild<R, int(I)>(pos, args)) : void()), ...);
    }(std::make_index_sequence<r.argCount>());
    // The lists among the children were opened in child order: the last
    // one is closed first.
    for (int i = r.childCount; i-- > 0;)
      if (IsOpenList(children[i])) children[i] = CloseList(children[i]);
    NodeRef n = TreeNodeAlloc(1 + r.childCount + r.valueCount);
    uint32_t* at = Store.data() + n;
    at[0] = uint32_t(R);
    for (int i = 0; i < r.argCount; ++i)
      at[1 + r.slot[i]] = r.arg[i] >= 0 ? children[r.slot[i]] : uint32_t(args[i].value);
    return n;
  }
}

using Builder = NodeRef (*)(const SrcPosition*, const NodeArg*);

constexpr std::array<Builder, kRuleCount> kBuilders = []<size_t... R>(std::index_sequence<R...>) {
  return std::array<Builder, kRuleCount>{&Build<int(R)>...};
}(std::make_index_sequence<kRuleCount>());

}  // namespace

void TreeInit() {
  Store.Shrink(0);
  Store.Grow(1);
  NodeWords = Store.data();
  Pending.Shrink(0);
  NodeStackTop = 0;
}

NodeRef TreeNodeAlloc(int words) {
  NodeRef n = Store.Grow(uint32_t(words));
  NodeWords = Store.data();
  return n;
}

NodeRef Coerce(int kind, const SrcPosition* pos, NodeRef n) {
  if (!n) return 0;
  int has = KindOfArg(n);
  if (has == kind) return n;
  int chain = kChainInto[size_t(kind)];
  if (chain < 0 || kRules[size_t(chain)].arg[0] != has) return 0;
  NodeArg child = tree_detail::Arg(n);
  return BuildNode(chain, pos, &child);
}

NodeRef BuildNode(int rule, const SrcPosition* pos, const NodeArg* args) {
  return kBuilders[size_t(rule)](pos, args);
}
