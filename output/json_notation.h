// The notation in which the JSON text of each tree rule is written:
//
//   O(x)        an object {x}                 A(x)     an array [x]
//   M(k, x)     a member "k": x               OM(k, x) a member "k": {x} that ends its line
//   S(x1..xn)   n parts separated by ",", NL  L(c)     the closed text of list child c
//   I(v)        an int value in decimal       T(v)     a stored text, as it is
//   NM          "Null": null                  Out(x)   x is the document: print it
//   c1..c8      the texts of the children     v1..v5   the terminal values, as stored
//   KindName    as a key: the name of the node's own kind
//   None        the node yields no text
//
// Each text is put together at compile time from the pattern layouts of
// text.h into the print program of one text node.  The node's arguments are
// the texts of the node's children, then its terminal values.
#pragma once

#include "output/print_program.h"

namespace mapping {

using text::Program;

struct Value {
  int n;
};
struct KindKey {};

// Value instructions name the value; the argument that holds it (after
// those of the children) is filled in when the text is bound to its rule.
// A Key instruction without text stands for the name of the rule's kind.
inline constexpr Program c1 = text::Arg(0), c2 = text::Arg(1), c3 = text::Arg(2),
                         c4 = text::Arg(3), c5 = text::Arg(4), c6 = text::Arg(5),
                         c7 = text::Arg(6), c8 = text::Arg(7);
inline constexpr Value v1{0}, v2{1}, v3{2}, v4{3}, v5{4};
inline constexpr KindKey KindName;
inline constexpr Program None;
inline constexpr Program NM = text::NullMember();

constexpr Program L(const Program& child) {
  if (child.size() != 1 || child[0].op != text::Op::Node) throw "L() takes a child";
  return Program(child).MarkClosed(child[0].n);
}
constexpr Program I(Value v) { return text::IntArg(v.n); }
constexpr Program T(Value v) { return text::StrArg(v.n); }
constexpr Program O(const Program& x) { return text::Object(x); }
constexpr Program A(const Program& x) { return text::Array(x); }
constexpr Program M(const char* key, const Program& x) { return text::Member(text::Key(key), x); }
constexpr Program M(KindKey, const Program& x) { return text::Member({text::Op::Key}, x); }
constexpr Program OM(const char* key, const Program& x) {
  return text::ObjectMember(text::Key(key), x);
}
constexpr Program OM(KindKey, const Program& x) { return text::ObjectMember({text::Op::Key}, x); }

template <typename... Part>
constexpr Program S(const Program& first, const Part&... rest) {
  static_assert(sizeof...(Part) >= 1 && sizeof...(Part) <= 7, "a sequence has 2 to 8 parts");
  Program p = first;
  ((p = text::Separated(p, rest)), ...);
  return p;
}

// The text of the document, printed where it is composed.
struct Document {
  Program text;
};
constexpr Document Out(const Program& x) { return {x}; }

}  // namespace mapping
