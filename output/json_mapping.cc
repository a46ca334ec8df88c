// The JSON text of every tree rule, and the visit table derived from it.
//
// Each rule but the list rules has one row below, written in the notation of
// json_notation.h.  The rows are checked against the rule tables and compiled into
// print programs at compile time; the visit of such a rule makes one text
// node that holds the texts of the node's children and its values, and the
// node's program lays them out when the document is printed.  The 21 list
// kinds need no rows: their two rules are recognised from the rule tables and
// share one pair of visits.
#include <array>

#include "output/json_notation.h"
#include "output/text_patterns.h"
#include "output/print_program.h"
#include "tree/construction.h"
#include "tree/walk.h"

namespace {

using namespace mapping;
using text::Instr;
using text::Op;

struct Row {
  int rule;
  Program text;
  bool document = false;
  constexpr Row(int r, const Program& t) : rule(r), text(t) {}
  constexpr Row(int r, const Document& d) : rule(r), text(d.text), document(true) {}
};

// clang-format off
constexpr Row kMapping[] = {
    // Document frame
    {R_rule_000, Out(O(c1))},
    {R_rule_044, OM("Qel_Object", c1)},
    {R_rule_045, OM("Qel_Object", c1)},
    {R_rule_002, OM("Systemtype", c1)},
    {R_rule_001, OM("System", S(c1, M("Strings", A(L(c2))), M("Specificationtree", c3),
                                M("DirectLinks", A(L(c4))), OM("Couples1", c5), OM("Couples2", c6),
                                M("Basicblocks", A(L(c7)))))},
    {R_rule_046, OM("System_Class", c1)},
    {R_rule_047, OM("System_Class", c1)},
    {R_rule_048, OM("System_Class", c1)},
    {R_rule_003, M("Linear", A(L(c1)))},
    {R_rule_004, M("Partiallinear", A(L(c1)))},
    {R_rule_005, M("Nonlinear", A(L(c1)))},

    // Specificationtree nodes
    {R_rule_006, O(S(M("Strings", A(L(c1))), c2, c3, M("Specificationtrees", A(L(c4)))))},
    {R_rule_007, M("Srcclassspecification", T(v1))},
    {R_rule_055, OM("Specificationtree_Specification", c1)},
    {R_rule_056, OM("Specificationtree_Specification", c1)},
    {R_rule_057, OM("Specificationtree_Specification", c1)},
    {R_rule_008, OM("Variables", S(M("Times", A(L(c1))), M("Stepsizes", A(L(c2))),
                                   M("Parameters", A(L(c3))), M("Inputs", A(L(c4))),
                                   M("Outputs", A(L(c5))), M("Functions", A(L(c6))),
                                   M("States", A(L(c7))), M("Auxiliars", A(L(c8)))))},
    {R_rule_018, OM("Instantiation", S(M("Strings", A(L(c1))), M("Assigns", A(L(c2)))))},
    {R_rule_019, M("Isextern", A(L(c1)))},

    // Variables (names, units and reals are values; the lists and parts are children)
    {R_rule_009, O(M("Name", T(v1)))},
    {R_rule_124, O(M("Name", T(v1)))},
    {R_rule_010, O(S(M("Name", T(v1)), M("Unit", T(v2)), M("Reals1", A(L(c1))),
                     M("Reals2", A(L(c2))), c3, c4))},
    {R_rule_011, O(S(M("Name", T(v1)), M("Unit", T(v2)), M("Reals1", A(L(c1))),
                     M("Reals2", A(L(c2))), M("Real", T(v3)), c3))},
    {R_rule_012, O(S(M("Name", T(v1)), M("Unit", T(v2)), M("Reals1", A(L(c1))),
                     M("Reals2", A(L(c2))), c3))},
    {R_rule_013, T(v1)},  // a function is written bare, as its stored text
    {R_rule_014, O(S(M("Name", T(v1)), M("Unit", T(v2)), M("Reals1", A(L(c1))),
                     M("Reals2", A(L(c2))), M("Real", T(v3)), c3))},
    {R_rule_015, O(S(M("Name", T(v1)), c1, c2))},
    {R_rule_076, OM("Param_Startvalue", M("Real", T(v1)))},
    {R_rule_077, OM("Param_Startvalue", NM)},
    {R_rule_086, OM("Aux_Startvalue", M("Real", T(v1)))},
    {R_rule_087, OM("Aux_Startvalue", M("Integer", I(v1)))},

    // Debug information
    {R_rule_088, OM(KindName, c1)},
    {R_rule_089, OM(KindName, NM)},
    {R_rule_078, OM(KindName, c1)},
    {R_rule_079, OM(KindName, NM)},
    {R_rule_080, OM(KindName, c1)},
    {R_rule_081, OM(KindName, NM)},
    {R_rule_082, OM(KindName, c1)},
    {R_rule_083, OM(KindName, NM)},
    {R_rule_084, OM(KindName, c1)},
    {R_rule_085, OM(KindName, NM)},
    {R_rule_043, None},  // its strings are written nowhere
    {R_rule_016, OM("References", S(M("Coordinates", A(L(c1))), M("Expr", c2), M("Integer", I(v1)),
                                    M("Identifier", A(L(c3))), M("String", T(v2))))},
    // The values as stored: the second and third integers come exchanged.
    {R_rule_017, O(S(M("String", T(v1)), M("Integer1", I(v2)), M("Integer2", I(v3)),
                     M("Integer3", I(v4)), M("Integer4", I(v5))))},

    // Couplings, direct links and basic blocks
    {R_rule_026, O(S(M("Ident", c1), M("Expr", c2)))},
    {R_rule_020, O(S(M("OutputIdent", c1), M("InputIdent", c2)))},
    {R_rule_021, OM("Couples", S(M("Coupletree", c1), M("Assigns", A(L(c2)))))},
    {R_rule_022, O(S(M("Assigns", A(L(c1))), M("SubCoupleTrees", A(L(c2)))))},
    {R_rule_023, O(S(M("Assigns", A(L(c1))), M("Linkcode", c2), M("Linkcodes", A(L(c3))), c4, c5))},
    {R_rule_024, O(S(M("Assigns1", A(L(c1))), M("Assigns2", A(L(c2)))))},
    {R_rule_025, OM("Nolinkcode", S(M("Assigns1", A(L(c1))), M("Assigns2", A(L(c2)))))},
    {R_rule_5, OM("Basicblock_Linearrepresentation", c1)},
    {R_rule_4, OM("Basicblock_Linearrepresentation", NM)},
    {R_rule_3, OM("Linearcode", S(M("StateDerivedAuxAssigns", A(L(c1))),
                                  M("InputDerivedAuxAssigns", A(L(c2))), OM("MatrixA", c3),
                                  OM("MatrixB", c4), OM("MatrixC", c5), OM("MatrixD", c6)))},
    {R_rule_2, OM("Matrix", S(M("Index", A(L(c1))), M("Index", A(L(c2)))))},
    {R_rule_1, O(S(M("Integer1", I(v1)), M("Integer2", I(v2)), M("Expr", c1)))},

    // Expressions and identifiers
    {R_rule_027, O(c1)},
    {R_rule_100, c1},
    {R_rule_101, M("Ident", c1)},
    {R_rule_102, M("Real", T(v1))},
    {R_rule_103, M("Integer", I(v1))},
    {R_rule_104, M("String", T(v1))},
    {R_rule_028, OM("Function", S(M("Ident", c1), M("Expressions", A(L(c2)))))},
    {R_rule_029, O(c1)},
    {R_rule_107, c1},
    {R_rule_129, c1},
    {R_rule_108, c1},
    {R_rule_109, c1},
    {R_rule_110, c1},
    {R_rule_111, c1},
    {R_rule_112, c1},
    {R_rule_113, c1},
    {R_rule_114, c1},
    {R_rule_115, c1},
    {R_rule_116, c1},
    {R_rule_030, M(KindName, A(L(c1)))},
    {R_rule_125, M(KindName, A(L(c1)))},
    {R_rule_031, M(KindName, A(L(c1)))},
    {R_rule_032, M(KindName, A(L(c1)))},
    {R_rule_033, M(KindName, A(L(c1)))},
    {R_rule_034, M(KindName, A(L(c1)))},
    {R_rule_035, M(KindName, A(L(c1)))},
    {R_rule_036, M(KindName, A(L(c1)))},
    {R_rule_037, M(KindName, A(L(c1)))},
    {R_rule_038, M(KindName, A(L(c1)))},
    {R_rule_039, OM("E", S(M("Index", A(L(c1))), M("Strings", A(L(c2))), c3))},
    {R_rule_119, OM("E_Variable", M("String", T(v1)))},
    {R_rule_120, OM("E_Variable", M("Integer", I(v1)))},
    {R_rule_121, OM("E_Variable", c1)},
    {R_rule_122, OM("E_Variable", c1)},
    {R_rule_123, OM("E_Variable", c1)},
    {R_rule_040, M(KindName, A(L(c1)))},
    {R_rule_041, M(KindName, A(L(c1)))},
    {R_rule_042, M(KindName, A(L(c1)))},
};
// clang-format on

// ---- Compiling the rows (at compile time; a fault stops the build) ----

constexpr bool IsListKind(int kind) {
  for (const RuleInfo& r : kRules)
    if (r.kind == kind && r.list != ListRole::None) return true;
  return false;
}

// The argument of rule r that is stored in word `slot`.
constexpr int ArgStoredAt(const RuleInfo& r, int slot) {
  for (int i = 0; i < r.argCount; ++i)
    if (r.slot[i] == slot) return r.arg[i];
  throw "the mapping names a child or value the rule does not have";
}

// A row must fit its rule: children and values exist and have the right
// sort, lists are read closed and nothing else is, and every part of the
// node is written except the children of kind Nil, which yield no text.
constexpr void CheckRow(const Row& row) {
  const RuleInfo& r = kRules[size_t(row.rule)];
  if (r.list != ListRole::None) throw "list rules take their text from the list mechanism";
  bool used[kMaxArgs] = {};
  for (int i = 0; i < row.text.size(); ++i) {
    const Instr& in = row.text[i];
    if (in.op == Op::Node) {
      if (in.n >= r.childCount) throw "no such child";
      int kind = ArgStoredAt(r, in.n);
      if (kind == K_Nil) throw "a Nil child has no text";
      if (IsListKind(kind) != bool(row.text.closed() >> in.n & 1))
        throw "L(c) is for list children, and only it";
      used[in.n] = true;
    } else if (in.op == Op::Int || in.op == Op::Str) {
      if (in.n >= r.valueCount) throw "no such value";
      if (ArgStoredAt(r, r.childCount + in.n) != (in.op == Op::Int ? kIntArg : kStringArg))
        throw "I(v) is for int values, T(v) for strings";
      used[r.childCount + in.n] = true;
    }
  }
  if (row.text.size() == 0) return;
  for (int w = 0; w < r.childCount + r.valueCount; ++w)
    if (!used[w] && !(w < r.childCount && ArgStoredAt(r, w) == K_Nil))
      throw "a part of the node is not written";
}

struct RuleText {
  int start = 0;  // of its program in the code
  int size = 0;   // without the End
  unsigned closed = 0;
  bool document = false;
};

constexpr int kCodeSize = [] {
  int n = 0;
  for (const Row& row : kMapping) n += row.text.size() + 1;
  return n;
}();

struct Compiled {
  std::array<Instr, kCodeSize> code{};
  std::array<RuleText, kRuleCount> rule{};
};

constexpr Compiled Compile() {
  Compiled c;
  bool rowed[kRuleCount] = {};
  int at = 0;
  for (const Row& row : kMapping) {
    CheckRow(row);
    if (rowed[row.rule]) throw "a rule has two rows";
    rowed[row.rule] = true;
    const RuleInfo& r = kRules[size_t(row.rule)];
    c.rule[size_t(row.rule)] = {at, row.text.size(), row.text.closed(), row.document};
    for (int i = 0; i < row.text.size(); ++i) {
      Instr in = row.text[i];
      if (in.op == Op::Int || in.op == Op::Str) in.n = (unsigned char)(in.n + r.childCount);
      if (in.op == Op::Key && !in.text) in = text::Key(kKindNames[size_t(r.kind)].data());
      c.code[size_t(at++)] = in;
    }
    c.code[size_t(at++)] = {Op::End};
  }
  for (int r = 0; r < kRuleCount; ++r)
    if (!rowed[r] && kRules[size_t(r)].list == ListRole::None) throw "a rule has no row";
  return c;
}

constexpr Compiled kCompiled = Compile();

// ---- The visit procedures ----

// The text node of a rule: its program, the texts of the children (closed
// where the program reads a list) and the values.
VisitValue Compose(const Node* node, const VisitValue* children) {
  const RuleText& t = kCompiled.rule[size_t(node->rule)];
  const RuleShape& r = kShape[size_t(node->rule)];
  TextNode* x = text::NewTextNode(kCompiled.code.data() + t.start, r.childCount + r.valueCount);
  for (int i = 0; i < r.childCount; ++i)
    x->arg[i].node = static_cast<PTGNode>(t.closed >> i & 1 ? children[i].second : children[i].first);
  for (int j = 0; j < r.valueCount; ++j) x->arg[r.childCount + j].value = ValueOf(node, j);
  return {x, nullptr};
}

VisitValue PrintDocument(const Node* node, const VisitValue* children) {
  PTGOut(static_cast<PTGNode>(Compose(node, children).first));
  return {nullptr, nullptr};
}

// A rule whose text is its child's text.
VisitValue Unchanged(const Node*, const VisitValue* children) { return children[0]; }

VisitValue Nothing(const Node*, const VisitValue*) { return {nullptr, nullptr}; }

// A list yields its open text (every element followed by ",", NL) and its
// closed text (nothing after the last element).  Both are one node per
// element that holds the open text of the shorter list and the element.
VisitValue EmptyList(const Node*, const VisitValue*) { return {PTGEmpty(), PTGEmpty()}; }

constexpr Program kElementList = text::ListElem(text::Arg(0), text::Arg(1));
constexpr Program kIntList = text::ListElem(text::Arg(0), text::IntArg(1));
constexpr Program kStrList = text::ListElem(text::Arg(0), text::StrArg(1));

enum class Element { Node, Int, Str };

template <Element E>
VisitValue Append(const Node* node, const VisitValue* children) {
  constexpr const Instr* print = E == Element::Int   ? kIntList.code()
                                 : E == Element::Str ? kStrList.code()
                                                     : kElementList.code();
  TextNode* x = text::NewTextNode(print, 2);
  x->arg[0].node = static_cast<PTGNode>(children[0].first);
  if constexpr (E == Element::Node) {
    x->arg[1].node = static_cast<PTGNode>(children[1].first);
  } else {
    x->arg[1].value = ValueOf(node, 0);
  }
  return {x, text::ClosedText(x)};
}

constexpr VisitProc VisitOf(int rule) {
  const RuleInfo& r = kRules[size_t(rule)];
  switch (r.list) {
    case ListRole::Empty:
      return &EmptyList;
    case ListRole::Append:
      if (r.arg[1] == kIntArg) return &Append<Element::Int>;
      if (r.arg[1] == kStringArg) return &Append<Element::Str>;
      return &Append<Element::Node>;
    case ListRole::None:
      break;
  }
  const RuleText& t = kCompiled.rule[size_t(rule)];
  const Instr& first = kCompiled.code[size_t(t.start)];
  if (t.document) return &PrintDocument;
  if (t.size == 0) return &Nothing;
  if (t.size == 1 && first.op == Op::Node && !t.closed) return &Unchanged;
  return &Compose;
}

}  // namespace

constinit const std::array<VisitProc, kRuleCount> VisitTable = [] {
  std::array<VisitProc, kRuleCount> table{};
  for (int r = 0; r < kRuleCount; ++r) table[size_t(r)] = VisitOf(r);
  return table;
}();
