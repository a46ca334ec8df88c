#include "tree/construction.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "memory/arena.h"
#include "source/report.h"
#include "tree/node_stack.h"

const uint32_t* NodeWords = nullptr;

namespace {

// A growing array of words.  It doubles when full; a large one grows by
// remapping, without a copy, and costs memory only for the words written.
class WordArray {
 public:
  uint32_t* data() { return words_; }
  uint32_t size() const { return size_; }
  // Room for n more words at the end; returns the index of the first.
  uint32_t Grow(uint32_t n) {
    if (n > capacity_ - size_) Reserve(n);
    uint32_t at = size_;
    size_ += n;
    return at;
  }
  void Shrink(uint32_t size) { size_ = size; }

 private:
  void Reserve(uint32_t n) {
    size_t capacity = capacity_ ? capacity_ : 1024;
    while (capacity - size_ < n) capacity *= 2;
    if (capacity > UINT32_MAX) MemoryExhausted();  // references are 32 bits wide
    void* grown = realloc(words_, capacity * sizeof(uint32_t));
    if (!grown) MemoryExhausted();
    words_ = static_cast<uint32_t*>(grown);
    capacity_ = uint32_t(capacity);
  }
  uint32_t* words_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
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

void Append(NodeRef list, uint32_t element) {
  (void)list;  // the open list that grows is always the one opened last
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

// The children, coerced to their kinds, or a DEADLY report for the first
// that cannot be.
void CheckChildren(int rule, const SrcPosition* pos, NodeRef* children, const NodeArg* args) {
  const RuleShape& r = kShape[size_t(rule)];
  for (int i = 0; i < r.argCount; ++i) {
    if (r.arg[i] < 0) continue;
    NodeRef child = args[i].node;
    if (!child || KindOfArg(child) != r.arg[i]) child = Coerce(r.arg[i], pos, child);
    if (!child) Refuse(kRules[size_t(rule)], r.slot[i] + 1, r.arg[i], pos);
    children[r.slot[i]] = child;
  }
}

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
  const RuleInfo& info = kRules[size_t(rule)];
  const RuleShape& r = kShape[size_t(rule)];
  NodeRef children[kMaxArgs];
  CheckChildren(rule, pos, children, args);
  if (info.list == ListRole::Empty) return OpenList(r.kind);
  if (info.list == ListRole::Append) {
    Append(children[0], r.arg[1] >= 0 ? children[1] : uint32_t(args[1].value));
    return children[0];
  }
  // The lists among the children were opened in child order: the last one
  // is closed first.
  for (int i = r.childCount; i-- > 0;)
    if (IsOpenList(children[i])) children[i] = CloseList(children[i]);
  NodeRef n = TreeNodeAlloc(1 + r.childCount + r.valueCount);
  uint32_t* at = Store.data() + n;
  at[0] = uint32_t(rule);
  memcpy(at + 1, children, size_t(r.childCount) * sizeof(NodeRef));
  for (int i = 0; i < r.argCount; ++i)
    if (r.arg[i] < 0) at[1 + r.slot[i]] = uint32_t(args[i].value);
  return n;
}
