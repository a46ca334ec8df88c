#include "lsp/outline.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>

namespace lsp {

namespace {

// Symbol kinds of the protocol.
enum SymbolKind {
  kModule = 2, kNamespace = 3, kClass = 5, kField = 8, kInterface = 11, kFunction = 12, kVariable = 13,
  kArray = 18, kObject = 19, kKey = 20, kStruct = 23, kConstant = 14
};

// How a node of some kind shows in the outline, and how it is named.
enum class Naming {
  Name,        // its name (a string without quotes, or a keyword)
  Label,       // the label
  Counted,     // the label, with the number of its elements as the detail
  Numbered,    // the label and its number among its siblings of the same kind
  Lettered,    // the label and A, B, C, ... among its siblings of the same kind
  Text,        // its text, blanks condensed
  ChildName,   // the name of its child of kind `other`
  ChildText,   // the text of its child of kind `other`
};

struct Shown {
  qel2json_kind kind;
  SymbolKind symbol;
  Naming naming;
  std::string_view label = "";
  std::string_view detail = "";
  std::optional<qel2json_kind> other = std::nullopt;  // for ChildName and ChildText; the detail's child otherwise
};

constexpr Shown kShown[] = {
    {QEL2JSON_KIND_QEL_OBJECT, kModule, Naming::Name, "", "", QEL2JSON_KIND_SYSTEM_CLASS},
    {QEL2JSON_KIND_SYSTEM_CLASS, kClass, Naming::Name, "", "system class"},
    {QEL2JSON_KIND_SPECIFICATIONTREE, kNamespace, Naming::ChildName, "", "", QEL2JSON_KIND_SRCCLASSSPECIFICATION},
    {QEL2JSON_KIND_SPECIFICATIONTREE_SPECIFICATION, kStruct, Naming::Name},
    {QEL2JSON_KIND_SEQ_OF_TIME, kArray, Naming::Counted, "times"},
    {QEL2JSON_KIND_SEQ_OF_STEPSIZE, kArray, Naming::Counted, "step sizes"},
    {QEL2JSON_KIND_SEQ_OF_PARAM, kArray, Naming::Counted, "parameters"},
    {QEL2JSON_KIND_SEQ_OF_INPUT, kArray, Naming::Counted, "inputs"},
    {QEL2JSON_KIND_SEQ_OF_OUTPUT, kArray, Naming::Counted, "outputs"},
    {QEL2JSON_KIND_SEQ_OF_FUNC, kArray, Naming::Counted, "functions"},
    {QEL2JSON_KIND_SEQ_OF_STATE, kArray, Naming::Counted, "states"},
    {QEL2JSON_KIND_SEQ_OF_AUX, kArray, Naming::Counted, "auxiliaries"},
    {QEL2JSON_KIND_TIME, kVariable, Naming::Name, "", "time"},
    {QEL2JSON_KIND_STEPSIZE, kVariable, Naming::Name, "", "step size"},
    {QEL2JSON_KIND_PARAM, kConstant, Naming::Name, "", "parameter"},
    {QEL2JSON_KIND_INPUT, kVariable, Naming::Name, "", "input"},
    {QEL2JSON_KIND_OUTPUT, kVariable, Naming::Name, "", "output"},
    {QEL2JSON_KIND_FUNC, kFunction, Naming::Name, "", "function"},
    {QEL2JSON_KIND_STATE, kVariable, Naming::Name, "", "state"},
    {QEL2JSON_KIND_AUX, kVariable, Naming::Name, "", "auxiliary"},
    {QEL2JSON_KIND_REFERENCES, kKey, Naming::Label, "REFERENCES"},
    {QEL2JSON_KIND_SEQ_OF_DIRECTLINK, kArray, Naming::Counted, "direct links"},
    {QEL2JSON_KIND_DIRECTLINK, kField, Naming::Text, "", "direct link"},
    {QEL2JSON_KIND_COUPLES, kInterface, Naming::Numbered, "coupling"},
    {QEL2JSON_KIND_COUPLETREE, kObject, Naming::Label, "coupletree"},
    {QEL2JSON_KIND_SEQ_OF_BASICBLOCK, kArray, Naming::Counted, "basic blocks"},
    {QEL2JSON_KIND_BASICBLOCK, kClass, Naming::Numbered, "block"},
    {QEL2JSON_KIND_BASICBLOCK_LINEARREPRESENTATION, kStruct, Naming::Name, "", "linear representation"},
    {QEL2JSON_KIND_MATRIX, kArray, Naming::Lettered, "matrix"},
    {QEL2JSON_KIND_FUNCTION, kFunction, Naming::ChildText, "", "function call", QEL2JSON_KIND_IDENT},
};

const Shown* ShownAs(qel2json_kind kind) {
  for (const Shown& s : kShown)
    if (s.kind == kind) return &s;
  return nullptr;
}

constexpr size_t kLongestText = 60;

// The text of [begin, end) with every run of white space one blank, cut
// (on a character's start) after kLongestText bytes.
std::string Condensed(const Analysis& a, size_t begin, size_t end) {
  std::string out;
  bool blank = false;
  for (size_t i = begin; i < end && out.size() < kLongestText; ++i) {
    char c = a.text()[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  if (out.size() >= kLongestText) {
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty()) out.pop_back();
    out += "…";
  }
  return out;
}

// A name as the outline shows it: a string without its quotes.
std::string NameOf(const Analysis& a, const qel2json::Span& s) {
  std::string name = Condensed(a, s.name_begin, s.name_end);
  if (!name.empty() && name.front() == '"') name.erase(0, 1);
  if (!name.empty() && name.back() == '"') name.pop_back();
  return name;
}

// Positions of many offsets, converted in one pass along the text.
class Positions {
 public:
  Positions(const Analysis& a, std::vector<size_t> offsets, Encoding encoding) : offsets_(std::move(offsets)) {
    std::sort(offsets_.begin(), offsets_.end());
    offsets_.erase(std::unique(offsets_.begin(), offsets_.end()), offsets_.end());
    PositionCursor cursor(a.lines(), a.text(), encoding);
    for (size_t o : offsets_) positions_.push_back(cursor.At(o));
  }
  json Range(size_t begin, size_t end) const { return RangeJson(At(begin), At(end)); }

 private:
  Position At(size_t offset) const {
    return positions_[size_t(std::lower_bound(offsets_.begin(), offsets_.end(), offset) - offsets_.begin())];
  }
  std::vector<size_t> offsets_;
  std::vector<Position> positions_;
};

class Outline {
 public:
  Outline(const Analysis& a, const std::vector<qel2json::Span>& spans, Encoding encoding)
      : a_(a), spans_(spans), firstChild_(spans_.size(), kNone), lastChild_(spans_.size(), kNone),
        next_(spans_.size(), kNone), positions_(a, Offsets(), encoding) {
    for (size_t i = 0; i < spans_.size(); ++i) {
      size_t p = spans_[i].parent;
      if (p == QEL2JSON_NO_PARENT || p >= spans_.size()) continue;
      (lastChild_[p] == kNone ? firstChild_[p] : next_[lastChild_[p]]) = i;
      lastChild_[p] = i;
    }
  }

  // Children come before their parents, so one pass in index order builds
  // every subtree's symbols before its parent's.
  json Build() {
    std::vector<json> made(spans_.size());
    json roots = json::array();
    for (size_t i = 0; i < spans_.size(); ++i) {
      json children = json::array();
      std::map<qel2json_kind, int> seen;
      for (size_t c = firstChild_[i]; c != kNone; c = next_[c]) {
        for (json& symbol : made[c]) {
          Number(symbol, ++seen[spans_[c].code]);
          children.push_back(std::move(symbol));
        }
        made[c] = json();
      }
      made[i] = SymbolsOf(i, std::move(children));
      if (spans_[i].parent == QEL2JSON_NO_PARENT)
        for (json& symbol : made[i]) roots.push_back(std::move(symbol));
    }
    for (json& symbol : roots) Number(symbol, 1);
    return roots;
  }

 private:
  static constexpr size_t kNone = size_t(-1);

  std::vector<size_t> Offsets() const {
    std::vector<size_t> offsets;
    for (const qel2json::Span& s : spans_) offsets.insert(offsets.end(), {s.begin, s.end, s.name_begin, s.name_end});
    return offsets;
  }

  // The first child of a kind, or, with depth above 1, descendant down to
  // that many levels (the system's class lies below the system, below the
  // description's root; SYSTEMTYPE puts its own node between them).
  size_t Child(size_t i, qel2json_kind kind, int depth = 1) const {
    for (size_t c = firstChild_[i]; c != kNone; c = next_[c]) {
      if (spans_[c].code == kind) return c;
      if (depth > 1)
        if (size_t g = Child(c, kind, depth - 1); g != kNone) return g;
    }
    return kNone;
  }

  // Numbered and lettered symbols learn their number from their parent.
  static void Number(json& symbol, int number) {
    auto label = symbol.find("number");
    if (label == symbol.end()) return;
    std::string name = label->get<std::string>();
    name += symbol.value("lettered", false) ? std::string(1, char('A' + (number - 1) % 26)) : std::to_string(number);
    symbol["name"] = name;
    symbol.erase("number");
    symbol.erase("lettered");
  }

  // The subtree's symbols: the node's own with its children, or, for a node
  // the outline does not show (or an empty one), its children.
  json SymbolsOf(size_t i, json children) {
    const qel2json::Span& s = spans_[i];
    const Shown* shown = ShownAs(s.code);
    bool empty = s.begin == s.end;
    if (!shown || empty) return children;
    json symbol = {{"name", Name(i, *shown)},
                   {"kind", shown->symbol},
                   {"range", positions_.Range(s.begin, s.end)},
                   {"selectionRange", Selection(i, *shown)},
                   {"children", std::move(children)}};
    std::string detail(shown->detail);
    if (shown->naming == Naming::Label && s.name_end > s.name_begin) detail = NameOf(a_, s);
    if (shown->naming == Naming::Counted) detail = std::to_string(symbol["children"].size());
    if (shown->naming == Naming::Name && shown->other)
      if (size_t c = Child(i, *shown->other, 3); c != kNone) detail = NameOf(a_, spans_[c]);
    if (!detail.empty()) symbol["detail"] = detail;
    if (shown->naming == Naming::Numbered || shown->naming == Naming::Lettered) {
      symbol["number"] = std::string(shown->label) + " ";
      if (shown->naming == Naming::Lettered) symbol["lettered"] = true;
    }
    return json::array({std::move(symbol)});
  }

  // Where the name stands: the node's own, its child's for a name taken
  // from a child, or the whole node where it has none.
  json Selection(size_t i, const Shown& shown) const {
    const qel2json::Span* s = &spans_[i];
    if (shown.naming == Naming::ChildName || shown.naming == Naming::ChildText)
      if (size_t c = Child(i, *shown.other); c != kNone) s = &spans_[c];
    if (shown.naming == Naming::ChildText || s->name_begin == s->name_end) return positions_.Range(s->begin, s->end);
    return positions_.Range(s->name_begin, s->name_end);
  }

  std::string Name(size_t i, const Shown& shown) const {
    const qel2json::Span& s = spans_[i];
    std::string name;
    switch (shown.naming) {
      case Naming::Name: name = NameOf(a_, s); break;
      case Naming::Label:
      case Naming::Counted:
      case Naming::Numbered:
      case Naming::Lettered: name = shown.label; break;
      case Naming::Text: name = Condensed(a_, s.begin, s.end); break;
      case Naming::ChildName:
      case Naming::ChildText: {
        size_t c = Child(i, *shown.other);
        if (c == kNone) break;
        name = shown.naming == Naming::ChildName ? NameOf(a_, spans_[c])
                                                 : Condensed(a_, spans_[c].begin, spans_[c].end);
        break;
      }
    }
    // The protocol wants a name that is not empty; only one read from the
    // text can be (the kinds named by their label all have one).
    return name.empty() ? std::string(qel2json::kind_name(shown.kind)) : name;
  }

  const Analysis& a_;
  const std::vector<qel2json::Span>& spans_;
  std::vector<size_t> firstChild_, lastChild_, next_;
  Positions positions_;
};

}  // namespace

json DocumentSymbolsOf(const Analysis& a, qel2json::Translator& translator, Encoding encoding) {
  return Outline(a, a.Spans(translator), encoding).Build();
}

}  // namespace lsp
