#include "output/text_patterns.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/print_program.h"
#include "memory/arena.h"
#include "source/report.h"
#include "store/string_table.h"

namespace {

using text::Instr;
using text::Op;
using text::Program;

// The print programs of the patterns.
constexpr Program kNothing;
constexpr Program kNullMember = text::NullMember();
constexpr Program kObject = text::Object(text::Arg(0));
constexpr Program kArray = text::Array(text::Arg(0));
constexpr Program kMember = text::Member(text::kKeyArg, text::Arg(2));
constexpr Program kObjectMember = text::ObjectMember(text::kKeyArg, text::Arg(2));
constexpr Program kListElem = text::ListElem(text::Arg(0), text::Arg(1));
constexpr Program kCat = text::Cat(text::Arg(0), text::Arg(1));
constexpr Program kInt = text::IntArg(0);
constexpr Program kStr = text::StrArg(0);

constexpr int kMaxParts = 8;
constexpr std::array<Program, kMaxParts + 1> kSeq = [] {
  std::array<Program, kMaxParts + 1> seq{};
  seq[1] = text::Arg(0);
  for (int n = 2; n <= kMaxParts; ++n) seq[size_t(n)] = text::Separated(seq[size_t(n - 1)], text::Arg(n - 1));
  return seq;
}();

constinit const TextNode NullNode = {kNothing.code()};
constinit const TextNode EmptyNode = {kNothing.code()};
constinit const TextNode NullMemberNode = {kNullMember.code()};

// ---- Text nodes ----

// Text nodes grow with the document.
Arena TextNodes(alignof(TextNode));

PTGNode WithArgs(const Program& p, PTGNode a) {
  TextNode* n = text::NewTextNode(p.code(), 1);
  n->arg[0].node = a;
  return n;
}

PTGNode WithArgs(const Program& p, PTGNode a, PTGNode b) {
  TextNode* n = text::NewTextNode(p.code(), 2);
  n->arg[0].node = a;
  n->arg[1].node = b;
  return n;
}

PTGNode WithKey(const Program& p, const char* key, PTGNode a) {
  TextNode* n = text::NewTextNode(p.code(), 3);
  n->arg[0].key = key;
  n->arg[1].value = int(strlen(key));
  n->arg[2].node = a;
  return n;
}

PTGNode WithValue(const Program& p, int value) {
  TextNode* n = text::NewTextNode(p.code(), 1);
  n->arg[0].value = value;
  return n;
}

// ---- The output buffer ----

// The whole document goes through this buffer to standard output with
// write(2); stdio's buffer would cost a second copy of every byte.
constexpr size_t kBufferSize = size_t(1) << 18;
constexpr size_t kBlock = 32;  // line breaks are copied in blocks of this size
char Buffer[kBufferSize + kBlock];
size_t Used;
constexpr int kOutFd = 1;

[[noreturn]] void WriteFailed(int error) {
  static char text[160];
  snprintf(text, sizeof text, "cannot write the output: %s", strerror(error));
  Report(DEADLY, text, nullptr);
  abort();  // a DEADLY report does not return
}

void WriteAll(const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(kOutFd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) WriteFailed(w < 0 ? errno : EIO);
    p += w;
    n -= size_t(w);
  }
}

void Drain() {
  WriteAll(Buffer, Used);
  Used = 0;
}

void PutSlow(const char* s, size_t n) {
  Drain();
  if (n >= kBufferSize) {
    WriteAll(s, n);  // a long text goes out from where it is stored
    return;
  }
  memcpy(Buffer, s, n);
  Used = n;
}

inline void Put(const char* s, size_t n) {
  if (n > kBufferSize - Used) {
    PutSlow(s, n);
    return;
  }
  memcpy(Buffer + Used, s, n);
  Used += n;
}

inline void PutChar(char c) {
  if (Used == kBufferSize) Drain();
  Buffer[Used++] = c;
}

void PutInt(int i) {
  char digits[12];
  char* p = digits + sizeof digits;
  unsigned u = i < 0 ? 0u - unsigned(i) : unsigned(i);
  do {
    *--p = char('0' + u % 10);
    u /= 10;
  } while (u);
  if (i < 0) *--p = '-';
  Put(p, size_t(digits + sizeof digits - p));
}

// ---- Indentation ----

constexpr int kIndentStep = 3;
int Indent;  // spaces after each line feed

// ",", a line feed and a run of spaces: a line break with its indentation
// is copied from here, with or without the comma before it, in whole blocks
// (the run and the buffer have a block to spare for the overshoot).
constexpr int kSpaceRun = 4096;
constexpr std::array<char, 2 + kSpaceRun + kBlock> kBreak = [] {
  std::array<char, 2 + kSpaceRun + kBlock> b{};
  b[0] = ',';
  b[1] = '\n';
  for (size_t i = 2; i < b.size(); ++i) b[i] = ' ';
  return b;
}();

inline void PutBreak(int from, size_t n) {
  if (n > kBufferSize - Used) Drain();
  char* to = Buffer + Used;
  const char* run = kBreak.data() + from;
  for (size_t i = 0; i < n; i += kBlock) memcpy(to + i, run + i, kBlock);
  Used += n;
}

void IndentIncrease() { Indent += kIndentStep; }
void IndentDecrease() { Indent -= kIndentStep; }

void LongBreak(bool comma) {
  Put(kBreak.data() + (comma ? 0 : 1), comma ? 2 : 1);
  for (int left = Indent; left > 0; left -= kSpaceRun)
    Put(kBreak.data() + 2, size_t(left < kSpaceRun ? left : kSpaceRun));
}

inline void IndentNewline() {
  if (Indent > kSpaceRun) return LongBreak(false);
  PutBreak(1, size_t(1 + Indent));
}

inline void CommaNewline() {
  if (Indent > kSpaceRun) return LongBreak(true);
  PutBreak(0, size_t(2 + Indent));
}

// ---- Printing ----

// Where to go on once the text in hand is printed, innermost last: the
// text (closed or not) and its next instruction.  A list is a chain of
// nodes as long as the list and objects nest as deep as the input, so this
// stack is kept on the heap instead of the call stack.
struct Frame {
  PTGNode text;
  const Instr* next;
};
std::vector<Frame> Pending;

bool IsClosed(PTGNode t) { return reinterpret_cast<uintptr_t>(t) & 1; }
const TextNode* NodeOf(PTGNode t) {
  return reinterpret_cast<const TextNode*>(reinterpret_cast<uintptr_t>(t) & ~uintptr_t(1));
}

void PutKey(const char* key, int length) {
  PutChar('"');
  Put(key, size_t(length));
  Put("\": ", 3);
}

void Print(PTGNode t) {
  const TextNode* n = NodeOf(t);
  const Instr* pc = n->print;
  for (;;) {
    const Instr& in = *pc++;
    switch (in.op) {
      case Op::Text:
        Put(in.text, size_t(in.len));
        break;
      case Op::Open:
        PutChar(in.text[0]);
        IndentIncrease();
        IndentNewline();
        break;
      case Op::Close:
        IndentDecrease();
        IndentNewline();
        PutChar(in.text[0]);
        break;
      case Op::Break:
        IndentNewline();
        break;
      case Op::CommaBreak:
        CommaNewline();
        break;
      case Op::Key:
        PutKey(in.text, in.len);
        break;
      case Op::KeyArg:
        PutKey(n->arg[in.n].key, n->arg[in.n + 1].value);
        break;
      case Op::Int:
        PutInt(n->arg[in.n].value);
        break;
      case Op::Str: {
        int s = n->arg[in.n].value;
        Put(StringAt(s), size_t(StringLength(s)));
        break;
      }
      case Op::Node:
        // Nodes are read in another order than they were made: the next
        // text of this node is fetched while this one is printed.
        if (in.len >= 0) __builtin_prefetch(n->arg[in.len].node);
        if (pc->op != Op::End) Pending.push_back({t, pc});
        t = n->arg[in.n].node;
        n = NodeOf(t);
        pc = n->print;
        break;
      case Op::StopIfClosed:
        if (!IsClosed(t)) break;
        [[fallthrough]];
      case Op::End:
        if (Pending.empty()) return;
        t = Pending.back().text;
        pc = Pending.back().next;
        Pending.pop_back();
        n = NodeOf(t);
        break;
    }
  }
}

}  // namespace

TextNode* text::NewTextNode(const Instr* print, int args) {
  size_t size = sizeof(TextNode) + sizeof(TextNode::Arg) * size_t(args);
  TextNode* n = static_cast<TextNode*>(TextNodes.Alloc(size));
  n->print = print;
  return n;
}

PTGNode PTGNULL() { return &NullNode; }
PTGNode PTGEmpty() { return &EmptyNode; }
PTGNode PTGNullMember() { return &NullMemberNode; }

PTGNode PTGObject(PTGNode a) { return WithArgs(kObject, a); }
PTGNode PTGArray(PTGNode a) { return WithArgs(kArray, a); }
PTGNode PTGMember(const char* key, PTGNode a) { return WithKey(kMember, key, a); }
PTGNode PTGObjectMember(const char* key, PTGNode a) { return WithKey(kObjectMember, key, a); }
PTGNode PTGListElem(PTGNode a, PTGNode b) { return WithArgs(kListElem, a, b); }

PTGNode PTGSeq(int count, const PTGNode* parts) {
  TextNode* n = text::NewTextNode(kSeq[size_t(count)].code(), count);
  for (int i = 0; i < count; ++i) n->arg[i].node = parts[i];
  return n;
}

PTGNode PTGSeq2(PTGNode a1, PTGNode a2) {
  const PTGNode parts[] = {a1, a2};
  return PTGSeq(2, parts);
}
PTGNode PTGSeq3(PTGNode a1, PTGNode a2, PTGNode a3) {
  const PTGNode parts[] = {a1, a2, a3};
  return PTGSeq(3, parts);
}
PTGNode PTGSeq4(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4) {
  const PTGNode parts[] = {a1, a2, a3, a4};
  return PTGSeq(4, parts);
}
PTGNode PTGSeq5(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5) {
  const PTGNode parts[] = {a1, a2, a3, a4, a5};
  return PTGSeq(5, parts);
}
PTGNode PTGSeq6(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5, PTGNode a6) {
  const PTGNode parts[] = {a1, a2, a3, a4, a5, a6};
  return PTGSeq(6, parts);
}
PTGNode PTGSeq7(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5, PTGNode a6,
                PTGNode a7) {
  const PTGNode parts[] = {a1, a2, a3, a4, a5, a6, a7};
  return PTGSeq(7, parts);
}
PTGNode PTGSeq8(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5, PTGNode a6,
                PTGNode a7, PTGNode a8) {
  const PTGNode parts[] = {a1, a2, a3, a4, a5, a6, a7, a8};
  return PTGSeq(8, parts);
}

PTGNode PTGCat(PTGNode a, PTGNode b) {
  if (a == &NullNode && b == &NullNode) return &NullNode;
  return WithArgs(kCat, a, b);
}

PTGNode PTGInt(int i) { return WithValue(kInt, i); }
PTGNode PTGStr(int s) { return WithValue(kStr, s); }

PTGNode PTGOut(PTGNode root) {
  // Anything left in stdio's buffer goes first, so the order on standard
  // output is kept.
  if (fflush(stdout) != 0) WriteFailed(errno);
  if (root) Print(root);
  Drain();
  return root;
}

void ResetOutput() {
  TextNodes.Release();
  Used = 0;
  Indent = 0;
  Pending.clear();
}
