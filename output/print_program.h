// Text nodes and their print programs (shared by the patterns and the
// visits; nothing outside output/ uses this header).
//
// A text node is its print operation followed by its arguments.  The print
// operation is a short program of print instructions; the layout of every
// pattern is written once below as a program fragment, and the patterns of
// text_patterns.h as well as the compiled texts of the tree rules are put together
// from these fragments.
#pragma once

#include <cstdint>

#include "output/text_patterns.h"

namespace text {

enum class Op : unsigned char {
  End,           // the node is printed
  Text,          // len bytes at text
  Open,          // the bracket text[0], +, NL
  Close,         // -, NL, the bracket text[0]
  Break,         // NL
  CommaBreak,    // ",", NL
  Key,           // "\"", len bytes at text, "\": "
  KeyArg,        // the same for the key in arguments n (text) and n + 1 (length)
  Int,           // argument n in decimal
  Str,           // the stored text of the string index in argument n
  Node,          // the text in argument n (len: the argument of the next Node, or -1)
  StopIfClosed,  // a list's closed text ends here, its open text goes on
};

struct Instr {
  Op op = Op::End;
  unsigned char n = 0;
  int len = 0;
  const char* text = nullptr;
};

constexpr int Length(const char* s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

// A program under construction: fragments are joined left to right.  It
// also records which node arguments are read as the closed text of a list.
class Program {
 public:
  static constexpr int kMax = 64;
  constexpr Program() = default;
  constexpr explicit Program(Instr i) { Add(i); }
  constexpr Program& Add(Instr i) {
    if (size_ == kMax) throw "a print program is too long";
    if (i.op == Op::Node) {
      i.len = -1;
      if (lastNode_ >= 0) code_[lastNode_].len = i.n;
      lastNode_ = size_;
    }
    code_[size_++] = i;
    return *this;
  }
  constexpr Program& Add(const Program& p) {
    for (int i = 0; i < p.size_; ++i) Add(p.code_[i]);
    closed_ |= p.closed_;
    return *this;
  }
  constexpr Program& MarkClosed(int arg) {
    closed_ |= 1u << arg;
    return *this;
  }
  constexpr int size() const { return size_; }
  // The instructions, followed by an End.
  constexpr const Instr* code() const {
    if (size_ == kMax) throw "a print program needs room for its End";
    return code_;
  }
  constexpr const Instr& operator[](int i) const { return code_[i]; }
  constexpr unsigned closed() const { return closed_; }

 private:
  Instr code_[kMax] = {};
  int size_ = 0;
  int lastNode_ = -1;
  unsigned closed_ = 0;
};

// Operands: the text, int or string index in argument n of the node.
constexpr Program Arg(int n) { return Program({Op::Node, (unsigned char)n}); }
constexpr Program IntArg(int n) { return Program({Op::Int, (unsigned char)n}); }
constexpr Program StrArg(int n) { return Program({Op::Str, (unsigned char)n}); }

// A key written in the program, or (kKeyArg) taken from the node.
constexpr Instr Key(const char* key) { return {Op::Key, 0, Length(key), key}; }
inline constexpr Instr kKeyArg = {Op::KeyArg, 0, 0, nullptr};

// The layouts of the patterns.
constexpr Program Object(const Program& a) {
  return Program({Op::Open, 0, 1, "{"}).Add(a).Add({Op::Close, 0, 1, "}"});
}
constexpr Program Array(const Program& a) {
  return Program({Op::Open, 0, 1, "["}).Add(a).Add({Op::Close, 0, 1, "]"});
}
constexpr Program Member(Instr key, const Program& a) { return Program(key).Add(a); }
constexpr Program ObjectMember(Instr key, const Program& a) {
  return Member(key, Object(a)).Add({Op::Break});
}
constexpr Program ListElem(const Program& a, const Program& b) {
  return Program(a).Add(b).Add({Op::StopIfClosed}).Add({Op::CommaBreak});
}
constexpr Program Cat(const Program& a, const Program& b) { return Program(a).Add(b); }
constexpr Program Separated(const Program& a, const Program& b) {
  return Program(a).Add({Op::CommaBreak}).Add(b);
}
constexpr Program NullMember() { return Program({Op::Text, 0, 12, "\"Null\": null"}); }

}  // namespace text

struct TextNode {
  const text::Instr* print;
  union Arg {
    PTGNode node;
    const char* key;
    int value;  // an int, a string index or a key's length
  } arg[];
};

namespace text {

// A list yields two texts from one node: the closed text is the node's
// address with the lowest bit set, which makes StopIfClosed end it.
inline PTGNode ClosedText(PTGNode open) {
  return reinterpret_cast<PTGNode>(reinterpret_cast<uintptr_t>(open) | 1);
}

// A node with room for args arguments, printed by the program at print
// (which must live as long as the node).
TextNode* NewTextNode(const Instr* print, int args);

}  // namespace text
