// The abstract syntax tree: node kinds, tree rules and their construction.
//
// The kinds and rules are written once, in kinds.def and rules.def; the enums,
// the rule descriptions, the construction functions Mk<rule> and the coercion
// functions Mk<kind> below are all derived from those two tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "source/source_buffer.h"

enum Kind : int {
#define KIND(no, name) K_##name = no,
#include "tree/kinds.def"
#undef KIND
};
inline constexpr int kKindCount = 84;

enum RuleNo : int {
#define RULE(no, name, kind, args) R_##name = no,
#define LIST(kind, element, appendNo, appendName, emptyNo, emptyName) \
  R_##appendName = appendNo, R_##emptyName = emptyNo,
#include "tree/rules.def"
#undef RULE
#undef LIST
};
inline constexpr int kRuleCount = 136;

inline constexpr std::array<std::string_view, kKindCount> kKindNames = [] {
  std::array<std::string_view, kKindCount> names{};
#define KIND(no, name) names[no] = #name;
#include "tree/kinds.def"
#undef KIND
  return names;
}();

// A node: the number of the rule that built it, then one word per child
// (in argument order), then one word per terminal value.  Nodes hold no
// coordinate and are never freed one by one.
struct Node;
union NodeWord {
  Node* node;
  int value;  // an integer, or a StringIndex
};
struct Node {
  int rule;
  NodeWord word[];
};

// What the rule tables say of one rule.
inline constexpr int kMaxArgs = 8;
inline constexpr int kIntArg = -1;     // arg[i] of an integer value
inline constexpr int kStringArg = -2;  // arg[i] of a StringIndex value
enum class ListRole : int { None, Append, Empty };

struct RuleInfo {
  std::string_view name;
  int kind = -1;               // the kind of the nodes it builds
  ListRole list = ListRole::None;
  int argCount = 0;            // arguments after the coordinate
  int childCount = 0;
  int valueCount = 0;
  int arg[kMaxArgs] = {};      // kind of a child argument, or kIntArg / kStringArg
  int slot[kMaxArgs] = {};     // the word of the node that stores the argument
  std::string_view role[kMaxArgs] = {};
};

namespace tree_detail {

constexpr int KindNamed(std::string_view name) {
  if (name == "int") return kIntArg;
  if (name == "string") return kStringArg;
  for (int k = 0; k < kKindCount; ++k)
    if (kKindNames[size_t(k)] == name) return k;
  throw "rules.def names an unknown kind";  // stops the compilation
}

constexpr int Digit(std::string_view s) {
  if (s.size() != 1 || s[0] < '1' || s[0] > '9') throw "bad stored position in rules.def";
  return s[0] - '0';
}

// Parses "Kind[:role]", "int[:role][=k]" or "string[:role][=k]" words.
constexpr RuleInfo ParseRule(std::string_view name, int kind, std::string_view args) {
  RuleInfo r;
  r.name = name;
  r.kind = kind;
  int stored[kMaxArgs] = {};
  while (!args.empty()) {
    size_t space = args.find(' ');
    std::string_view word = args.substr(0, space);
    args = space == std::string_view::npos ? std::string_view() : args.substr(space + 1);
    if (word.empty()) continue;
    if (r.argCount == kMaxArgs) throw "too many arguments in rules.def";
    size_t eq = word.find('=');
    if (eq != std::string_view::npos) {
      stored[r.argCount] = Digit(word.substr(eq + 1));
      word = word.substr(0, eq);
    }
    size_t colon = word.find(':');
    if (colon != std::string_view::npos) {
      r.role[r.argCount] = word.substr(colon + 1);
      word = word.substr(0, colon);
    }
    r.arg[r.argCount] = KindNamed(word);
    if (r.arg[r.argCount] >= 0) r.childCount++;
    r.argCount++;
  }
  int child = 0, value = 0;
  for (int i = 0; i < r.argCount; ++i) {
    if (r.arg[i] >= 0) {
      r.slot[i] = child++;
    } else {
      r.slot[i] = r.childCount + (stored[i] ? stored[i] - 1 : value);
      value++;
    }
  }
  r.valueCount = value;
  return r;
}

constexpr std::array<RuleInfo, kRuleCount> MakeRules() {
  std::array<RuleInfo, kRuleCount> rules{};
#define RULE(no, name, kind, args) rules[no] = ParseRule(#name, K_##kind, args);
#define LIST(kind, element, appendNo, appendName, emptyNo, emptyName)           \
  rules[appendNo] = ParseRule(#appendName, K_##kind, #kind " " #element); \
  rules[appendNo].list = ListRole::Append;                                       \
  rules[emptyNo] = ParseRule(#emptyName, K_##kind, "");                         \
  rules[emptyNo].list = ListRole::Empty;
#include "tree/rules.def"
#undef RULE
#undef LIST
  return rules;
}

}  // namespace tree_detail

// Rule number -> what the rule builds and takes.
inline constexpr std::array<RuleInfo, kRuleCount> kRules = tree_detail::MakeRules();

// What construction and the walk read of a rule, packed small: these are
// read for every node, the names and roles of kRules only for messages.
struct RuleShape {
  uint8_t kind;
  uint8_t argCount;
  uint8_t childCount;
  uint8_t valueCount;
  int8_t arg[kMaxArgs];    // as RuleInfo::arg
  uint8_t slot[kMaxArgs];  // as RuleInfo::slot
};

inline constexpr std::array<RuleShape, kRuleCount> kShape = [] {
  std::array<RuleShape, kRuleCount> shapes{};
  for (size_t r = 0; r < kRules.size(); ++r) {
    const RuleInfo& info = kRules[r];
    RuleShape& s = shapes[r];
    s.kind = uint8_t(info.kind);
    s.argCount = uint8_t(info.argCount);
    s.childCount = uint8_t(info.childCount);
    s.valueCount = uint8_t(info.valueCount);
    for (int i = 0; i < info.argCount; ++i) {
      s.arg[i] = int8_t(info.arg[i]);
      s.slot[i] = uint8_t(info.slot[i]);
    }
  }
  return shapes;
}();

inline int KindOf(const Node* n) { return kShape[size_t(n->rule)].kind; }
inline Node* ChildOf(const Node* n, int i) { return n->word[i].node; }
// The j-th terminal value as stored (after the exchange of rule_017).
inline int ValueOf(const Node* n, int j) { return n->word[kShape[size_t(n->rule)].childCount + j].value; }

// Prepares the storage of tree nodes; called once before parsing.
void TreeInit();

// Room for one node of size bytes from the tree's obstack.
void* TreeNodeAlloc(size_t size);

// Releases every node and empties the node stack, so that a test or a fuzz
// run can build another tree in the same process.
void ResetTree();

// The construction of every rule: args holds the arguments in the rule's
// order.  Child arguments are coerced to their expected kinds; a child that
// cannot be made one is a DEADLY report at pos.
Node* BuildNode(int rule, const SrcPosition* pos, const NodeWord* args);

// Coercion to a kind: the node itself when it has that kind, a new chain
// node over it for the four chain pairs (Expr over Expr_Kind, Ident over
// Ident_Kind, Systemtype over System, Root over Qel_Object), else null.
Node* Coerce(int kind, const SrcPosition* pos, Node* n);

namespace tree_detail {

inline NodeWord Word(Node* n) {
  NodeWord w;
  w.node = n;
  return w;
}
inline NodeWord Word(int v) {
  NodeWord w;
  w.node = nullptr;
  w.value = v;
  return w;
}

template <int R, typename... A>
constexpr bool ArgsFit() {
  constexpr RuleInfo r = kRules[R];
  if (int(sizeof...(A)) != r.argCount) return false;
  constexpr bool isNode[] = {std::is_convertible_v<A, Node*>..., false};
  for (int i = 0; i < r.argCount; ++i)
    if (isNode[i] != (r.arg[i] >= 0)) return false;
  return true;
}

}  // namespace tree_detail

// Mk<rule>(pos, arguments...): the construction function of each rule.
#define RULE(no, name, kind, args)                                                   \
  template <typename... A>                                                           \
  inline Node* Mk##name(const SrcPosition* pos, A... a) {                            \
    static_assert(tree_detail::ArgsFit<no, A...>(), "wrong arguments for Mk" #name); \
    const NodeWord words[] = {tree_detail::Word(a)..., NodeWord{}};                  \
    return BuildNode(no, pos, words);                                                \
  }
#define LIST(kind, element, appendNo, appendName, emptyNo, emptyName) \
  RULE(appendNo, appendName, kind, "") RULE(emptyNo, emptyName, kind, "")
#include "tree/rules.def"
#undef RULE
#undef LIST

// Mk<kind>(pos, node): the coercion function of each kind.
#define KIND(no, name) \
  inline Node* Mk##name(const SrcPosition* pos, Node* n) { return Coerce(no, pos, n); }
#include "tree/kinds.def"
#undef KIND
