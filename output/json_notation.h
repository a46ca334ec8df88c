// The notation in which the JSON text of each tree rule is written, and the
// print programs it compiles to.
//
//   Object(x)            {x}, its contents on lines of their own, indented
//   Array(x)             [x], likewise
//   Member("k", x)       "k": x
//   ObjectMember("k", x) "k": {x}, followed by a line break
//   Seq(x1, ..., xn)     the parts, separated by "," and a line break
//   List(Child(k))       [the elements of list child k, separated likewise]
//   Child(k)             the text of the node's k-th child (from 1)
//   Int(Value(k))        the node's k-th terminal value (from 1), in decimal
//   Literal(Value(k))    the stored text of the k-th value, exactly as written
//   NullMember           "Null": null
//   KindName             as a key: the name of the node's own kind
//   Nothing              the node has no text
//
// A line break is a line feed followed by the current indentation: three
// spaces for every Object, Array and ObjectMember the break stands in.
//
// Each rule's text compiles at compile time into the print program of that
// rule: a short list of instructions that the printer runs on a node.
#pragma once

#include <cstdint>

namespace qel2json::detail {

namespace json {

enum class Op : uint8_t {
  End,         // the text is complete
  Text,        // len bytes at text
  Open,        // the bracket text[0], the level rises by one step, a line break
  Close,       // the level falls by one step, a line break, the bracket text[0]
  Break,       // a line break
  CommaBreak,  // ",", then a line break
  Key,         // "\"", the key of len bytes at text, "\": "
  Int,         // the word at `slot` of the node, in decimal
  Literal,     // the stored text of the string index at `slot`
  Child,       // the text of the node at `slot`
  List,        // the elements of the list at `slot`, separated by CommaBreak
};

// What the elements of a list are.
enum class Element : uint8_t { Node, Int, Literal };

struct Instr {
  Op op = Op::End;
  uint8_t slot = 0;  // a child (from 0), or for values: their number (from 0) until compiled
  Element element = Element::Node;
  int len = 0;
  const char* text = nullptr;
};

constexpr int Length(const char* s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

// A program under construction: parts are joined left to right.
class Program {
 public:
  static constexpr int kMax = 64;
  constexpr Program() = default;
  constexpr explicit Program(Instr i) { Add(i); }
  constexpr Program& Add(Instr i) {
    if (size_ == kMax) throw "a print program is too long";
    code_[size_++] = i;
    return *this;
  }
  constexpr Program& Add(const Program& p) {
    for (int i = 0; i < p.size_; ++i) Add(p.code_[i]);
    return *this;
  }
  constexpr int size() const { return size_; }
  constexpr const Instr& operator[](int i) const { return code_[i]; }

 private:
  Instr code_[kMax] = {};
  int size_ = 0;
};

struct ValueRef {
  int index;  // from 0
};
struct KindKey {};

inline constexpr KindKey KindName;
inline constexpr Program Nothing;
inline constexpr Program NullMember = Program({Op::Text, 0, Element::Node, 12, "\"Null\": null"});

constexpr Program Child(int k) { return Program({Op::Child, uint8_t(k - 1)}); }
constexpr ValueRef Value(int k) { return {k - 1}; }
constexpr Program Int(ValueRef v) { return Program({Op::Int, uint8_t(v.index)}); }
constexpr Program Literal(ValueRef v) { return Program({Op::Literal, uint8_t(v.index)}); }

constexpr Instr Key(const char* key) { return {Op::Key, 0, Element::Node, Length(key), key}; }
// A Key without text stands for the name of the rule's kind.
constexpr Instr Key(KindKey) { return {Op::Key}; }

constexpr Program Object(const Program& x) {
  return Program({Op::Open, 0, Element::Node, 1, "{"}).Add(x).Add({Op::Close, 0, Element::Node, 1, "}"});
}
constexpr Program Array(const Program& x) {
  return Program({Op::Open, 0, Element::Node, 1, "["}).Add(x).Add({Op::Close, 0, Element::Node, 1, "]"});
}
template <typename K>
constexpr Program Member(K key, const Program& x) {
  return Program(Key(key)).Add(x);
}
template <typename K>
constexpr Program ObjectMember(K key, const Program& x) {
  return Member(key, Object(x)).Add({Op::Break});
}
constexpr Program List(const Program& child) {
  if (child.size() != 1 || child[0].op != Op::Child) throw "List() takes a child";
  return Array(Program({Op::List, child[0].slot}));
}

template <typename... Part>
constexpr Program Seq(const Program& first, const Part&... rest) {
  static_assert(sizeof...(Part) >= 1, "a sequence has two parts or more");
  Program p = first;
  ((p.Add({Op::CommaBreak}).Add(rest)), ...);
  return p;
}

}  // namespace json

}  // namespace qel2json::detail
