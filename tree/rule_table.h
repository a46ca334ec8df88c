// The abstract syntax tree's kinds and rules, as data.
//
// The kinds and rules are written once, in kinds.def and rules.def; the
// enums K_<kind> and R_<rule>, the counts, the rule descriptions and the
// chain table below are all derived from those two tables at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qel2json::detail {

enum Kind : int {
#define KIND(no, name) K_##name = no,
#include "tree/kinds.def"
#undef KIND
};
inline constexpr int kKindCount = 0
#define KIND(no, name) +1
#include "tree/kinds.def"
#undef KIND
    ;

enum RuleNo : int {
#define RULE(no, name, kind, args) R_##name = no,
#define LIST(kind, element, appendNo, emptyNo) R_##kind##_Append = appendNo, R_##kind##_Empty = emptyNo,
#include "tree/rules.def"
#undef RULE
#undef LIST
};
inline constexpr int kRuleCount = 0
#define RULE(no, name, kind, args) +1
#define LIST(kind, element, appendNo, emptyNo) +2
#include "tree/rules.def"
#undef RULE
#undef LIST
    ;

inline constexpr std::array<std::string_view, kKindCount> kKindNames = [] {
  std::array<std::string_view, kKindCount> names{};
#define KIND(no, name) names[no] = #name;
#include "tree/kinds.def"
#undef KIND
  return names;
}();

namespace tree_detail {

constexpr int CountWords(std::string_view s) {
  int words = 0;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] != ' ' && (i == 0 || s[i - 1] == ' ')) ++words;
  return words;
}

// The most arguments any rule takes (an appending list rule takes two).
inline constexpr int kMostArgs = [] {
  int most = 2;
#define RULE(no, name, kind, args) most = CountWords(args) > most ? CountWords(args) : most;
#define LIST(kind, element, appendNo, emptyNo)
#include "tree/rules.def"
#undef RULE
#undef LIST
  return most;
}();

}  // namespace tree_detail

// What the rule tables say of one rule.
inline constexpr int kMaxArgs = tree_detail::kMostArgs;
inline constexpr int kIntArg = -1;     // arg[i] of an integer value
inline constexpr int kStringArg = -2;  // arg[i] of a StringIndex value
enum class ListRole : int { None, Append, Empty };

struct RuleInfo {
  std::string_view name;
  int kind = -1;               // the kind of the nodes it builds
  ListRole list = ListRole::None;
  bool chain = false;          // wraps one child of another kind (coercion)
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

constexpr RuleInfo ParseChain(std::string_view name, int kind, std::string_view args) {
  RuleInfo r = ParseRule(name, kind, args);
  if (r.argCount != 1 || r.arg[0] < 0 || r.arg[0] == kind) throw "a chain rule wraps one child of another kind";
  r.chain = true;
  return r;
}

constexpr std::array<RuleInfo, kRuleCount> MakeRules() {
  std::array<RuleInfo, kRuleCount> rules{};
#define RULE(no, name, kind, args) rules[no] = ParseRule(#name, K_##kind, args);
#define CHAIN(no, name, kind, args) rules[no] = ParseChain(#name, K_##kind, args);
#define LIST(kind, element, appendNo, emptyNo)                              \
  rules[appendNo] = ParseRule(#kind "_Append", K_##kind, #kind " " #element); \
  rules[appendNo].list = ListRole::Append;                                    \
  rules[emptyNo] = ParseRule(#kind "_Empty", K_##kind, "");                   \
  rules[emptyNo].list = ListRole::Empty;
#include "tree/rules.def"
#undef RULE
#undef CHAIN
#undef LIST
  for (const RuleInfo& r : rules)
    if (r.name.empty()) throw "rules.def leaves a rule number unused";
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

// Kind -> the chain rule that makes a node of that kind from a node of
// another kind, or -1.
inline constexpr std::array<int, kKindCount> kChainInto = [] {
  std::array<int, kKindCount> chain{};
  chain.fill(-1);
  for (int r = 0; r < kRuleCount; ++r) {
    if (!kRules[size_t(r)].chain) continue;
    int& into = chain[size_t(kRules[size_t(r)].kind)];
    if (into >= 0) throw "two chain rules build the same kind";
    into = r;
  }
  return chain;
}();

}  // namespace qel2json::detail
