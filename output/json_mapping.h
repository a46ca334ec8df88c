// The JSON text of every tree rule, written once in the notation of
// json_notation.h, and its compilation into print programs.
//
// Every rule but the list rules has one row.  The 21 list kinds need none:
// a list is written where its parent says List(Child(k)), and its elements
// are written as the rules of their nodes say, or as the int or stored text
// they are.  The rows are checked against the rule tables at compile time:
// a row that names a child or value its rule lacks, reads a list other
// than with List, or leaves a part of the node unwritten stops the build.
#pragma once

#include <array>

#include "output/json_notation.h"
#include "tree/rule_table.h"

namespace qel2json::detail {

namespace json {

struct Row {
  int rule;
  Program text;
};

// clang-format off
inline constexpr Row kMapping[] = {
    // Document frame
    {R_Root, Object(Child(1))},
    {R_Qel_Object_System, ObjectMember("Qel_Object", Child(1))},
    {R_Qel_Object_Systemtype, ObjectMember("Qel_Object", Child(1))},
    {R_Systemtype, ObjectMember("Systemtype", Child(1))},
    {R_System, ObjectMember("System", Seq(Child(1), Member("Strings", List(Child(2))), Member("Specificationtree", Child(3)),
                                Member("DirectLinks", List(Child(4))), ObjectMember("Couples1", Child(5)), ObjectMember("Couples2", Child(6)),
                                Member("Basicblocks", List(Child(7)))))},
    {R_System_Class_Linear, ObjectMember("System_Class", Child(1))},
    {R_System_Class_Partiallinear, ObjectMember("System_Class", Child(1))},
    {R_System_Class_Nonlinear, ObjectMember("System_Class", Child(1))},
    {R_Linear, Member("Linear", List(Child(1)))},
    {R_Partiallinear, Member("Partiallinear", List(Child(1)))},
    {R_Nonlinear, Member("Nonlinear", List(Child(1)))},

    // Specificationtree nodes
    {R_Specificationtree, Object(Seq(Member("Strings", List(Child(1))), Child(2), Child(3), Member("Specificationtrees", List(Child(4)))))},
    {R_Srcclassspecification, Member("Srcclassspecification", Literal(Value(1)))},
    {R_Specification_Variables, ObjectMember("Specificationtree_Specification", Child(1))},
    {R_Specification_Instantiation, ObjectMember("Specificationtree_Specification", Child(1))},
    {R_Specification_Isextern, ObjectMember("Specificationtree_Specification", Child(1))},
    {R_Variables, ObjectMember("Variables", Seq(Member("Times", List(Child(1))), Member("Stepsizes", List(Child(2))),
                                   Member("Parameters", List(Child(3))), Member("Inputs", List(Child(4))),
                                   Member("Outputs", List(Child(5))), Member("Functions", List(Child(6))),
                                   Member("States", List(Child(7))), Member("Auxiliars", List(Child(8)))))},
    {R_Instantiation, ObjectMember("Instantiation", Seq(Member("Strings", List(Child(1))), Member("Assigns", List(Child(2)))))},
    {R_Isextern, Member("Isextern", List(Child(1)))},

    // Variables (names, units and reals are values; the lists and parts are children)
    {R_Time, Object(Member("Name", Literal(Value(1))))},
    {R_Stepsize, Object(Member("Name", Literal(Value(1))))},
    {R_Param, Object(Seq(Member("Name", Literal(Value(1))), Member("Unit", Literal(Value(2))), Member("Reals1", List(Child(1))),
                     Member("Reals2", List(Child(2))), Child(3), Child(4)))},
    {R_Input, Object(Seq(Member("Name", Literal(Value(1))), Member("Unit", Literal(Value(2))), Member("Reals1", List(Child(1))),
                     Member("Reals2", List(Child(2))), Member("Real", Literal(Value(3))), Child(3)))},
    {R_Output, Object(Seq(Member("Name", Literal(Value(1))), Member("Unit", Literal(Value(2))), Member("Reals1", List(Child(1))),
                     Member("Reals2", List(Child(2))), Child(3)))},
    {R_Func, Literal(Value(1))},  // a function is written bare, as its stored text
    {R_State, Object(Seq(Member("Name", Literal(Value(1))), Member("Unit", Literal(Value(2))), Member("Reals1", List(Child(1))),
                     Member("Reals2", List(Child(2))), Member("Real", Literal(Value(3))), Child(3)))},
    {R_Aux, Object(Seq(Member("Name", Literal(Value(1))), Child(1), Child(2)))},
    {R_Param_Startvalue_Real, ObjectMember("Param_Startvalue", Member("Real", Literal(Value(1))))},
    {R_Param_Startvalue_Nil, ObjectMember("Param_Startvalue", NullMember)},
    {R_Aux_Startvalue_Real, ObjectMember("Aux_Startvalue", Member("Real", Literal(Value(1))))},
    {R_Aux_Startvalue_Integer, ObjectMember("Aux_Startvalue", Member("Integer", Int(Value(1))))},

    // Debug information
    {R_Aux_Debuginfo_References, ObjectMember(KindName, Child(1))},
    {R_Aux_Debuginfo_Nil, ObjectMember(KindName, NullMember)},
    {R_Param_Debuginfo_References, ObjectMember(KindName, Child(1))},
    {R_Param_Debuginfo_Nil, ObjectMember(KindName, NullMember)},
    {R_Input_Debuginfo_References, ObjectMember(KindName, Child(1))},
    {R_Input_Debuginfo_Nil, ObjectMember(KindName, NullMember)},
    {R_Output_Debuginfo_References, ObjectMember(KindName, Child(1))},
    {R_Output_Debuginfo_Nil, ObjectMember(KindName, NullMember)},
    {R_State_Debuginfo_References, ObjectMember(KindName, Child(1))},
    {R_State_Debuginfo_Nil, ObjectMember(KindName, NullMember)},
    {R_Nil, Nothing},  // its strings are written nowhere
    {R_References, ObjectMember("References", Seq(Member("Coordinates", List(Child(1))), Member("Expr", Child(2)), Member("Integer", Int(Value(1))),
                                    Member("Identifier", List(Child(3))), Member("String", Literal(Value(2)))))},
    // The values as stored: the second and third integers come exchanged.
    {R_Coordinate, Object(Seq(Member("String", Literal(Value(1))), Member("Integer1", Int(Value(2))), Member("Integer2", Int(Value(3))),
                     Member("Integer3", Int(Value(4))), Member("Integer4", Int(Value(5)))))},

    // Couplings, direct links and basic blocks
    {R_Assign, Object(Seq(Member("Ident", Child(1)), Member("Expr", Child(2))))},
    {R_Directlink, Object(Seq(Member("OutputIdent", Child(1)), Member("InputIdent", Child(2))))},
    {R_Couples, ObjectMember("Couples", Seq(Member("Coupletree", Child(1)), Member("Assigns", List(Child(2)))))},
    {R_Coupletree, Object(Seq(Member("Assigns", List(Child(1))), Member("SubCoupleTrees", List(Child(2)))))},
    {R_Basicblock, Object(Seq(Member("Assigns", List(Child(1))), Member("Linkcode", Child(2)), Member("Linkcodes", List(Child(3))), Child(4), Child(5)))},
    {R_Linkcode, Object(Seq(Member("Assigns1", List(Child(1))), Member("Assigns2", List(Child(2)))))},
    {R_Nolinkcode, ObjectMember("Nolinkcode", Seq(Member("Assigns1", List(Child(1))), Member("Assigns2", List(Child(2)))))},
    {R_Linearrepresentation_Linearcode, ObjectMember("Basicblock_Linearrepresentation", Child(1))},
    {R_Linearrepresentation_Nil, ObjectMember("Basicblock_Linearrepresentation", NullMember)},
    {R_Linearcode, ObjectMember("Linearcode", Seq(Member("StateDerivedAuxAssigns", List(Child(1))),
                                  Member("InputDerivedAuxAssigns", List(Child(2))), ObjectMember("MatrixA", Child(3)),
                                  ObjectMember("MatrixB", Child(4)), ObjectMember("MatrixC", Child(5)), ObjectMember("MatrixD", Child(6))))},
    {R_Matrix, ObjectMember("Matrix", Seq(Member("Index", List(Child(1))), Member("Index", List(Child(2)))))},
    {R_Matrixentry, Object(Seq(Member("Integer1", Int(Value(1))), Member("Integer2", Int(Value(2))), Member("Expr", Child(1))))},

    // Expressions and identifiers
    {R_Expr, Object(Child(1))},
    {R_Expr_Function, Child(1)},
    {R_Expr_Ident, Member("Ident", Child(1))},
    {R_Expr_Real, Member("Real", Literal(Value(1)))},
    {R_Expr_Integer, Member("Integer", Int(Value(1)))},
    {R_Expr_String, Member("String", Literal(Value(1)))},
    {R_Function, ObjectMember("Function", Seq(Member("Ident", Child(1)), Member("Expressions", List(Child(2)))))},
    {R_Ident, Object(Child(1))},
    {R_Ident_T, Child(1)},
    {R_Ident_H, Child(1)},
    {R_Ident_P, Child(1)},
    {R_Ident_U, Child(1)},
    {R_Ident_Y, Child(1)},
    {R_Ident_X, Child(1)},
    {R_Ident_Dx, Child(1)},
    {R_Ident_A, Child(1)},
    {R_Ident_A0, Child(1)},
    {R_Ident_F, Child(1)},
    {R_Ident_E, Child(1)},
    {R_T, Member(KindName, List(Child(1)))},
    {R_H, Member(KindName, List(Child(1)))},
    {R_P, Member(KindName, List(Child(1)))},
    {R_U, Member(KindName, List(Child(1)))},
    {R_Y, Member(KindName, List(Child(1)))},
    {R_X, Member(KindName, List(Child(1)))},
    {R_Dx, Member(KindName, List(Child(1)))},
    {R_A, Member(KindName, List(Child(1)))},
    {R_A0, Member(KindName, List(Child(1)))},
    {R_F, Member(KindName, List(Child(1)))},
    {R_E, ObjectMember("E", Seq(Member("Index", List(Child(1))), Member("Strings", List(Child(2))), Child(3)))},
    {R_E_Variable_String, ObjectMember("E_Variable", Member("String", Literal(Value(1))))},
    {R_E_Variable_Integer, ObjectMember("E_Variable", Member("Integer", Int(Value(1))))},
    {R_E_Variable_Allp, ObjectMember("E_Variable", Child(1))},
    {R_E_Variable_Allu, ObjectMember("E_Variable", Child(1))},
    {R_E_Variable_Ally, ObjectMember("E_Variable", Child(1))},
    {R_Allp, Member(KindName, List(Child(1)))},
    {R_Allu, Member(KindName, List(Child(1)))},
    {R_Ally, Member(KindName, List(Child(1)))},
};
// clang-format on

// ---- Compiling the rows ----

// The argument of rule r that is stored in word `slot`.
constexpr int ArgStoredAt(const RuleInfo& r, int slot) {
  for (int i = 0; i < r.argCount; ++i)
    if (r.slot[i] == slot) return r.arg[i];
  throw "the mapping names a child or value the rule does not have";
}

constexpr bool IsListKind(int kind) {
  for (const RuleInfo& r : kRules)
    if (r.kind == kind && r.list != ListRole::None) return true;
  return false;
}

// What the elements of a list kind are: the second argument of its
// appending rule.
constexpr Element ElementOf(int listKind) {
  for (const RuleInfo& r : kRules) {
    if (r.kind != listKind || r.list != ListRole::Append) continue;
    return r.arg[1] == kIntArg ? Element::Int : r.arg[1] == kStringArg ? Element::Literal : Element::Node;
  }
  throw "not a list kind";
}

// One instruction of a row, bound to its rule: values are found behind the
// children, a kind-name key gets the kind's name, a list its element sort.
constexpr Instr Bind(const RuleInfo& r, Instr in, bool used[]) {
  switch (in.op) {
    case Op::Child:
    case Op::List: {
      if (in.slot >= r.childCount) throw "no such child";
      int kind = ArgStoredAt(r, in.slot);
      if (kind == K_Nil) throw "a Nil child has no text";
      if (IsListKind(kind) != (in.op == Op::List)) throw "List() is for list children, and only it";
      if (in.op == Op::List) in.element = ElementOf(kind);
      used[in.slot] = true;
      break;
    }
    case Op::Int:
    case Op::Literal:
      if (in.slot >= r.valueCount) throw "no such value";
      in.slot = uint8_t(in.slot + r.childCount);
      if (ArgStoredAt(r, in.slot) != (in.op == Op::Int ? kIntArg : kStringArg))
        throw "Int() is for int values, Literal() for strings";
      used[in.slot] = true;
      break;
    case Op::Key:
      if (!in.text) in = Key(kKindNames[size_t(r.kind)].data());
      break;
    default:
      break;
  }
  return in;
}

inline constexpr int kCodeSize = [] {
  int n = 0;
  for (const Row& row : kMapping) n += row.text.size() + 1;
  return n;
}();

struct Compiled {
  std::array<Instr, kCodeSize> code{};
  std::array<int, kRuleCount> start{};  // of each rule's program in code; -1 for list rules
};

constexpr Compiled Compile() {
  Compiled c;
  c.start.fill(-1);
  int at = 0;
  for (const Row& row : kMapping) {
    const RuleInfo& r = kRules[size_t(row.rule)];
    if (r.list != ListRole::None) throw "list rules take their text from List()";
    if (c.start[size_t(row.rule)] >= 0) throw "a rule has two rows";
    c.start[size_t(row.rule)] = at;
    bool used[kMaxArgs] = {};
    for (int i = 0; i < row.text.size(); ++i) c.code[size_t(at++)] = Bind(r, row.text[i], used);
    c.code[size_t(at++)] = {Op::End};
    // Every part is written, but for the children of kind Nil, which have
    // no text, in rules that have a text at all.
    if (row.text.size() == 0) continue;
    for (int w = 0; w < r.childCount + r.valueCount; ++w)
      if (!used[w] && !(w < r.childCount && ArgStoredAt(r, w) == K_Nil)) throw "a part of the node is not written";
  }
  for (int r = 0; r < kRuleCount; ++r)
    if (c.start[size_t(r)] < 0 && kRules[size_t(r)].list == ListRole::None) throw "a rule has no row";
  return c;
}

// The print program of every rule that is not a list rule.
inline constexpr Compiled kPrograms = Compile();

}  // namespace json

}  // namespace qel2json::detail
