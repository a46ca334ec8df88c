// json_schema GRAMMAR SCHEMA [KEYS]: writes the JSON Schema (draft 2020-12)
// of the document, derived from the printer's own mapping table, and, when
// KEYS is given, the keys every rule writes itself, one rule a line
// ("System: System Strings ..."), for the check of the output reference.
//
// Every node kind yields either a JSON value (an object, an array, an int
// or a literal) or a run of object members, which its parent's object takes
// in.  A kind with several rules yields one of their texts; the schema
// keeps the alternatives apart only where their keys differ.  The grammar
// tells which terminal each value comes from: an integer, a real (a JSON
// number where it is written as one) or a string literal.
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "output/json_mapping.h"
#include "tools/lalr.h"

using namespace qel2json::detail;

namespace {

using json::Element;
using json::Instr;
using json::Op;

// ---- The structure of a print program ----

struct Item;
using Items = std::vector<Item>;

// One part of a text: a value, a member, or the text of a child or a list.
struct Item {
  enum Kind { Object, Array, Member, Int, Literal, Null, Child, List };
  Kind kind;
  std::string key = {};  // of a Member
  Items inner = {};      // of an Object or Array; the value of a Member (one item)
  int slot = 0;          // of a Literal, Child or List
  Element element = Element::Node;
};

Item Slotted(Item::Kind kind, const Instr& in) {
  Item i{kind};
  i.slot = in.slot;
  i.element = in.element;
  return i;
}

// Line breaks and separators carry no structure.
void SkipLayout(const Instr*& pc) {
  while (pc->op == Op::Break || pc->op == Op::CommaBreak) ++pc;
}

// Reads the one item that starts at pc and leaves pc just after it.
Item ReadItem(const Instr*& pc) {
  const Instr& in = *pc++;
  switch (in.op) {
    case Op::Open: {
      Item bracket{in.text[0] == '{' ? Item::Object : Item::Array};
      for (SkipLayout(pc); pc->op != Op::Close; SkipLayout(pc)) bracket.inner.push_back(ReadItem(pc));
      ++pc;
      return bracket;
    }
    case Op::Key: {
      Item member{Item::Member, std::string(in.text, size_t(in.len))};
      member.inner.push_back(ReadItem(pc));
      return member;
    }
    case Op::Text: return {Item::Null, "Null"};  // the only fixed text of a row
    case Op::Int: return Slotted(Item::Int, in);
    case Op::Literal: return Slotted(Item::Literal, in);
    case Op::Child: return Slotted(Item::Child, in);
    case Op::List: return Slotted(Item::List, in);
    default: throw std::runtime_error("a print program out of shape");
  }
}

Items ItemsOf(int rule) {
  const Instr* pc = json::kPrograms.code.data() + json::kPrograms.start[size_t(rule)];
  Items items;
  for (SkipLayout(pc); pc->op != Op::End; SkipLayout(pc)) items.push_back(ReadItem(pc));
  return items;
}

// ---- Values from the grammar ----

// What a terminal value of a rule (its word at `slot`), or an element of a
// list kind, is written as.
class Terminals {
 public:
  explicit Terminals(const lalr::Grammar& g) {
    for (size_t p = 1; p < g.productions.size(); ++p) {
      const lalr::Production& pr = g.productions[p];
      if (pr.rule.empty()) continue;
      int rule = RuleNamed(pr.rule);
      const RuleInfo& r = kRules[size_t(rule)];
      for (size_t a = 0; a < pr.args.size(); ++a) {
        int symbol = pr.rhs[size_t(pr.args[a] - 1)];
        if (!g.IsTerminal(symbol)) continue;
        std::string type = TypeOf(g.names[size_t(symbol)]);
        if (r.list == ListRole::Append)
          element_[r.kind] = type;
        else
          value_[{rule, r.slot[a]}] = type;
      }
    }
  }
  std::string Value(int rule, int slot) const { return value_.at({rule, slot}); }
  std::string Element(int listKind) const { return element_.at(listKind); }

 private:
  static int RuleNamed(const std::string& name) {
    for (int r = 0; r < kRuleCount; ++r)
      if (kRules[size_t(r)].name == name) return r;
    throw std::runtime_error("the grammar names an unknown rule " + name);
  }
  static std::string TypeOf(const std::string& terminal) {
    if (terminal == "IntegerLiteral") return "integer";
    if (terminal == "RealLiteral") return "number";
    if (terminal == "StringLiteral") return "string";
    throw std::runtime_error("a rule takes the value of " + terminal);
  }
  std::map<std::pair<int, int>, std::string> value_;
  std::map<int, std::string> element_;
};

// ---- Schemas ----

// A schema written out as JSON text.
using Schema = std::string;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

Schema Type(const std::string& type) { return "{\"type\": " + Quoted(type) + "}"; }

// One of the schemas, each distinct one named once, in their order.
Schema AnyOf(const std::vector<Schema>& schemas) {
  std::vector<Schema> distinct;
  for (const Schema& x : schemas)
    if (std::find(distinct.begin(), distinct.end(), x) == distinct.end()) distinct.push_back(x);
  if (distinct.size() == 1) return distinct[0];
  std::string s;
  for (const Schema& x : distinct) s += (s.empty() ? "" : ", ") + x;
  return "{\"anyOf\": [" + s + "]}";
}

// The members of an object: one list of (key, schema) per alternative.
using Members = std::vector<std::pair<std::string, Schema>>;
using Alternatives = std::vector<Members>;

class SchemaWriter {
 public:
  explicit SchemaWriter(const Terminals& t) : terminals_(t) {
    for (int r = 0; r < kRuleCount; ++r)
      if (json::kPrograms.start[size_t(r)] >= 0) rulesOf_[kRules[size_t(r)].kind].push_back(r);
  }

  std::string Document() {
    Schema root = ValueOfKind(K_Root);
    std::string s = "{\n  \"$schema\": \"https://json-schema.org/draft/2020-12/schema\",\n"
                    "  \"title\": \"qel2json document\",\n"
                    "  \"description\": \"The JSON document qel2json writes for a description. Generated from "
                    "the printer's mapping table; two members of a Matrix object are both named Index, and a "
                    "validator sees only the second, the list of matrix entries.\",\n";
    s += "  \"$ref\": " + Quoted("#/$defs/Root") + ",\n  \"$defs\": {\n";
    bool first = true;
    for (const auto& [kind, schema] : defs_) {
      s += std::string(first ? "" : ",\n") + "    " + Quoted(std::string(kKindNames[size_t(kind)])) + ": " + schema;
      first = false;
    }
    (void)root;
    return s + "\n  }\n}\n";
  }

  // The keys each rule writes itself, in order.
  static void Keys(const Items& items, std::vector<std::string>& keys) {
    for (const Item& i : items) {
      if (i.kind == Item::Member || i.kind == Item::Null) keys.push_back(i.key);
      Keys(i.inner, keys);
    }
  }

 private:
  // A kind whose text is a value: a reference to its definition.
  Schema ValueOfKind(int kind) {
    if (!defs_.count(kind)) {
      defs_[kind] = "";  // a kind that nests in itself refers to the definition being made
      std::vector<Schema> values;
      for (int rule : rulesOf_.at(kind)) {
        Items items = ItemsOf(rule);
        if (items.size() != 1 || !IsValue(rule, items[0])) throw std::runtime_error(std::string(kRules[size_t(rule)].name) + " writes no single value");
        values.push_back(ValueOf(rule, items[0]));
      }
      defs_[kind] = AnyOf(values);
    }
    return "{\"$ref\": " + Quoted("#/$defs/" + std::string(kKindNames[size_t(kind)])) + "}";
  }

  bool IsValue(int rule, const Item& i) {
    switch (i.kind) {
      case Item::Object: case Item::Array: case Item::Int: case Item::Literal: case Item::List: return true;
      case Item::Child: return KindIsValue(ChildKind(rule, i.slot));
      default: return false;
    }
  }

  bool KindIsValue(int kind) {
    for (int rule : rulesOf_.at(kind)) {
      Items items = ItemsOf(rule);
      return items.size() == 1 && IsValue(rule, items[0]);
    }
    return false;
  }

  static int ChildKind(int rule, int slot) {
    const RuleInfo& r = kRules[size_t(rule)];
    for (int a = 0; a < r.argCount; ++a)
      if (r.slot[a] == slot) return r.arg[a];
    throw std::runtime_error("no such child");
  }

  Schema ValueOf(int rule, const Item& i) {
    switch (i.kind) {
      case Item::Object: {
        std::vector<Schema> objects;
        for (const Members& m : MembersOf(rule, i.inner)) objects.push_back(ObjectOf(m));
        return objects.size() == 1 ? objects[0] : "{\"oneOf\": [" + Join(objects) + "]}";
      }
      case Item::Array: {
        if (i.inner.size() != 1 || i.inner[0].kind != Item::List) throw std::runtime_error("an array holds one list");
        return ValueOf(rule, i.inner[0]);
      }
      case Item::List: {
        int kind = ChildKind(rule, i.slot);
        Schema element = i.element == Element::Node ? ValueOfKind(ElementKind(kind))
                         : i.element == Element::Int ? Type("integer")
                                                     : Type(terminals_.Element(kind));
        return "{\"type\": \"array\", \"items\": " + element + "}";
      }
      case Item::Int: return Type("integer");
      case Item::Literal: return Type(terminals_.Value(rule, i.slot));
      case Item::Child: return ValueOfKind(ChildKind(rule, i.slot));
      default: throw std::runtime_error("not a value");
    }
  }

  static int ElementKind(int listKind) {
    for (const RuleInfo& r : kRules)
      if (r.kind == listKind && r.list == ListRole::Append) return r.arg[1];
    throw std::runtime_error("not a list");
  }

  // The alternatives of the members that items write, children taken in.
  Alternatives MembersOf(int rule, const Items& items) {
    Alternatives all = {{}};
    for (const Item& i : items) {
      Alternatives part;
      if (i.kind == Item::Member)
        part = {{{i.key, ValueOf(rule, i.inner[0])}}};
      else if (i.kind == Item::Null)
        part = {{{"Null", Type("null")}}};
      else if (i.kind == Item::Child)
        part = MembersOfKind(ChildKind(rule, i.slot));
      else
        throw std::runtime_error(std::string(kRules[size_t(rule)].name) + ": a value where members stand");
      Alternatives joined;
      for (const Members& a : all)
        for (const Members& b : part) {
          Members m = a;
          m.insert(m.end(), b.begin(), b.end());
          joined.push_back(m);
        }
      all = joined;
    }
    return all;
  }

  // The members a kind writes: the alternatives of its rules, those with
  // the same keys merged into one.
  Alternatives MembersOfKind(int kind) {
    std::map<std::vector<std::string>, std::vector<Members>> byKeys;
    std::vector<std::vector<std::string>> order;
    for (int rule : rulesOf_.at(kind))
      for (const Members& m : MembersOf(rule, ItemsOf(rule))) {
        std::vector<std::string> keys;
        for (const auto& [key, schema] : m) keys.push_back(key);
        if (!byKeys.count(keys)) order.push_back(keys);
        byKeys[keys].push_back(m);
      }
    Alternatives merged;
    for (const std::vector<std::string>& keys : order) {
      const std::vector<Members>& same = byKeys[keys];
      Members m;
      for (size_t k = 0; k < keys.size(); ++k) {
        std::vector<Schema> values;
        for (const Members& alt : same) values.push_back(alt[k].second);
        m.push_back({keys[k], AnyOf(values)});
      }
      merged.push_back(m);
    }
    return merged;
  }

  // An object with exactly these members; of two members of one name, a
  // reader keeps the second.
  static Schema ObjectOf(const Members& members) {
    std::map<std::string, Schema> last;
    std::vector<std::string> keys;
    for (const auto& [key, schema] : members) {
      if (!last.count(key)) keys.push_back(key);
      last[key] = schema;
    }
    std::string props, required;
    for (const std::string& key : keys) {
      props += std::string(props.empty() ? "" : ", ") + Quoted(key) + ": " + last[key];
      required += std::string(required.empty() ? "" : ", ") + Quoted(key);
    }
    return "{\"type\": \"object\", \"properties\": {" + props + "}, \"required\": [" + required +
           "], \"additionalProperties\": false}";
  }

  static std::string Join(const std::vector<Schema>& schemas) {
    std::string s;
    for (const Schema& x : schemas) s += (s.empty() ? "" : ", ") + x;
    return s;
  }

  const Terminals& terminals_;
  std::map<int, std::vector<int>> rulesOf_;
  std::map<int, Schema> defs_;
};

}  // namespace

// The keys every rule with a text writes itself, one rule a line.
std::string KeysOfRules() {
  std::string listing;
  for (int r = 0; r < kRuleCount; ++r) {
    if (json::kPrograms.start[size_t(r)] < 0) continue;
    std::vector<std::string> keys;
    SchemaWriter::Keys(ItemsOf(r), keys);
    listing += std::string(kRules[size_t(r)].name) + ":";
    for (const std::string& k : keys) listing += " " + k;
    listing += "\n";
  }
  return listing;
}

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: json_schema GRAMMAR SCHEMA [KEYS]\n";
    return 1;
  }
  try {
    Terminals terminals(lalr::ReadLanguageGrammar(argv[1]));
    lalr::WriteTextFile(argv[2], SchemaWriter(terminals).Document());
    if (argc == 4) lalr::WriteTextFile(argv[3], KeysOfRules());
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
