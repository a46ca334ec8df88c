// The JSON reader: the mapping table's print programs run backwards, one
// instruction at a time, against the lexemes of the document.
#include "json_reader/json_reader.h"

#include <array>
#include <cctype>
#include <climits>
#include <cstring>
#include <initializer_list>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>

#include "description/rule_texts.h"
#include "output/json_mapping.h"
#include "scanner/scanner.h"
#include "scanner/tokens.h"

namespace qel2json::detail {

namespace {

using json::Instr;
using json::Op;
using json::kPrograms;
using rule_texts::kRuleTexts;

// ---- What the rule tables say of reading ----

// The argument of each rule that each stored word holds.
inline constexpr auto kArgOfSlot = [] {
  std::array<std::array<int8_t, kMaxArgs + 1>, kRuleCount> args{};
  for (int r = 0; r < kRuleCount; ++r)
    for (int a = 0; a < kRules[size_t(r)].argCount; ++a) args[size_t(r)][size_t(kRules[size_t(r)].slot[a])] = int8_t(a);
  return args;
}();

// The rules that build nodes of each kind (no list rules), and for list
// kinds their empty and appending rules.
struct KindRules {
  int count = 0;
  int rule[16] = {};
  int empty = -1;
  int append = -1;
};

inline constexpr auto kKindRules = [] {
  std::array<KindRules, kKindCount> kinds{};
  for (int r = 0; r < kRuleCount; ++r) {
    KindRules& k = kinds[size_t(kRules[size_t(r)].kind)];
    switch (kRules[size_t(r)].list) {
      case ListRole::Empty: k.empty = r; break;
      case ListRole::Append: k.append = r; break;
      case ListRole::None:
        if (k.count == 16) throw "a kind with more rules than the reader looks at";
        k.rule[k.count++] = r;
        break;
    }
  }
  return kinds;
}();

const Instr* ProgramOf(int rule) { return kPrograms.code.data() + kPrograms.start[size_t(rule)]; }

// ---- Lexemes ----

enum Token : int { kObjectOpen, kObjectClose, kArrayOpen, kArrayClose, kColon, kComma, kString, kBare, kEnd, kBroken };

// Texts joined (GCC 12 warns falsely of overlapping copies where a string
// literal is added to a temporary string).
std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (std::string_view p : parts) joined.append(p);
  return joined;
}

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
constexpr bool IsStructural(char c) { return c == '{' || c == '}' || c == '[' || c == ']' || c == ':' || c == ',' || c == '"'; }

#if defined(__SSE2__)
// Past the spaces from `at`, sixteen at a time, as long as sixteen remain.
size_t PastSpaces16(const char* text, size_t size, size_t at) {
  const __m128i spaces = _mm_set1_epi8(' ');
  for (; at + 16 <= size; at += 16) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    unsigned others = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, spaces))) & 0xFFFFu;
    if (others) return at + size_t(__builtin_ctz(others));
  }
  return at;
}
#endif

// The first byte from `at` that is no blank.  Documents are mostly the
// blanks of their indentation: runs of them go sixteen at a time.
constexpr size_t PastBlanks(const char* text, size_t size, size_t at) {
  for (;;) {
#if defined(__SSE2__)
    if (!std::is_constant_evaluated()) at = PastSpaces16(text, size, at);
#endif
    while (at < size && text[at] == ' ') ++at;
    if (at == size || !IsBlank(text[at])) return at;
    ++at;
  }
}

// Lexes the bytes of `text` from `at` (also the fixed texts of programs).
constexpr JsonReader::Lexeme LexIn(const char* text, size_t size, size_t at) {
  at = PastBlanks(text, size, at);
  if (at == size) return {kEnd, at, at};
  switch (text[at]) {
    case '{': return {kObjectOpen, at, at + 1};
    case '}': return {kObjectClose, at, at + 1};
    case '[': return {kArrayOpen, at, at + 1};
    case ']': return {kArrayClose, at, at + 1};
    case ':': return {kColon, at, at + 1};
    case ',': return {kComma, at, at + 1};
    case '"': {
      // As the description's string literals are: a backslash takes the
      // byte after it, or the line end after it (a literal continued).
      for (size_t i = at + 1; i < size; ++i) {
        char c = text[i];
        if (c == '"') return {kString, at, i + 1};
        if (c == '\n' || c == '\r') return {kBroken, at, i, "a line end inside a string"};
        if (c != '\\') continue;
        if (i + 2 < size && text[i + 1] == '\r' && text[i + 2] == '\n') ++i;
        ++i;
      }
      return {kBroken, at, size, "a string without its closing quote"};
    }
    default: {
      size_t end = at;
      while (end < size && !IsBlank(text[end]) && !IsStructural(text[end])) ++end;
      return {kBare, at, end};
    }
  }
}

// ---- Choosing a rule by the lexemes ahead ----

// The lexemes a rule's text begins with, up to its first value, or through
// its first child each of the child's rules' (as far as kLongest).  Where
// the beginnings of a kind's rules agree up to a lexeme that tells each
// rule from the others, that lexeme ahead names the rule: the others go
// wrong right there, before it does.
struct Beginning {
  static constexpr int kLongest = 12;
  int rule = -1;
  int count = 0;
  int token[kLongest] = {};
  std::string_view text[kLongest] = {};  // a string's without its quotes, a bare word's
};

struct KindBeginnings {
  static constexpr int kMost = 32;
  int count = 0;
  Beginning at[kMost] = {};
};

constexpr bool Push(Beginning& b, int token, std::string_view text) {
  if (b.count == Beginning::kLongest) return false;
  b.token[b.count] = token;
  b.text[b.count++] = text;
  return true;
}

// Adds the beginnings of `rule` to `into`, each as far as `b` has come;
// false where there are too many.
constexpr bool AddBeginnings(int rule, Beginning b, int depth, KindBeginnings& into) {
  if (depth > 4 || kPrograms.start[size_t(rule)] < 0) return false;
  bool room = true;
  for (const Instr* in = kPrograms.code.data() + kPrograms.start[size_t(rule)]; room; ++in) {
    switch (in->op) {
      case Op::Break: continue;
      case Op::Open:
      case Op::Close: {
        char c = in->text[0];
        room = Push(b, c == '{' ? kObjectOpen : c == '[' ? kArrayOpen : c == '}' ? kObjectClose : kArrayClose, {});
        continue;
      }
      case Op::CommaBreak: room = Push(b, kComma, {}); continue;
      case Op::Key: room = Push(b, kString, {in->text, size_t(in->len)}) && Push(b, kColon, {}); continue;
      case Op::Text:
        for (size_t f = 0; room;) {
          JsonReader::Lexeme l = LexIn(in->text, size_t(in->len), f);
          if (l.token == kEnd) break;
          std::string_view text(in->text + l.begin, l.end - l.begin);
          if (l.token == kString) text = text.substr(1, text.size() - 2);
          room = Push(b, l.token, l.token == kString || l.token == kBare ? text : std::string_view());
          f = l.end;
        }
        continue;
      case Op::Child: {
        const KindRules& k = kKindRules[size_t(kRules[size_t(rule)].arg[kArgOfSlot[size_t(rule)][in->slot]])];
        for (int i = 0; i < k.count; ++i)
          if (!AddBeginnings(k.rule[i], b, depth + 1, into)) return false;
        return true;
      }
      default: room = false; break;  // a value, a list, the end
    }
  }
  if (into.count == KindBeginnings::kMost) return false;
  into.at[into.count++] = b;
  return true;
}

constexpr bool SameLexeme(const Beginning& a, const Beginning& b, int p) {
  return a.token[p] == b.token[p] && a.text[p] == b.text[p];
}

// The first lexeme where the beginnings do not all agree, if there each
// rule's differs from every other rule's.
constexpr int DecidingLexeme(const KindBeginnings& b) {
  int d = 0;
  for (;; ++d) {
    for (int i = 0; i < b.count; ++i)
      if (d >= b.at[i].count) return -1;
    bool agree = true;
    for (int i = 1; i < b.count; ++i) agree = agree && SameLexeme(b.at[i], b.at[0], d);
    if (!agree) break;
  }
  for (int i = 0; i < b.count; ++i)
    for (int j = 0; j < i; ++j)
      if (b.at[i].rule != b.at[j].rule && SameLexeme(b.at[i], b.at[j], d)) return -1;
  return d;
}

// What names the rule of each kind: the lexemes all its rules begin with,
// then one that each begins otherwise with.
struct Decision {
  struct Option {
    int token = 0;
    std::string_view text;
    int rule = -1;
  };
  int deciding = -1;  // -1: nothing ahead names the rule
  int count = 0;
  Option before[Beginning::kLongest] = {};
  Option option[KindBeginnings::kMost] = {};
};

inline constexpr auto kDecisions = [] {
  std::array<Decision, kKindCount> decisions{};
  for (int kind = 0; kind < kKindCount; ++kind) {
    const KindRules& k = kKindRules[size_t(kind)];
    KindBeginnings b;
    bool known = k.count > 1;
    for (int i = 0; i < k.count && known; ++i) {
      Beginning start;
      start.rule = k.rule[i];
      known = AddBeginnings(k.rule[i], start, 0, b);
    }
    Decision& d = decisions[size_t(kind)];
    d.deciding = known ? DecidingLexeme(b) : -1;
    if (d.deciding < 0) continue;
    for (int p = 0; p < d.deciding; ++p) d.before[p] = {b.at[0].token[p], b.at[0].text[p], -1};
    for (int i = 0; i < b.count; ++i) d.option[d.count++] = {b.at[i].token[d.deciding], b.at[i].text[d.deciding], b.at[i].rule};
  }
  return decisions;
}();

// The literal terminal (string or real) of a rule's argument.
int LiteralTerminal(int rule, int argument) {
  const rule_texts::RuleText& t = kRuleTexts[size_t(rule)];
  for (int k = 0; k < t.count; ++k)
    if (t.part[k].argument == argument) return t.part[k].terminal;
  return 0;
}

// Whether every rule whose text leaves a child out has that child alone:
// the reader builds it empty once the rule's other parts are read.
constexpr bool UnwrittenChildrenStandAlone() {
  for (int r = 0; r < kRuleCount; ++r) {
    const RuleInfo& info = kRules[size_t(r)];
    if (info.list != ListRole::None || kPrograms.start[size_t(r)] < 0) continue;
    bool written[kMaxArgs + 1] = {};
    for (int i = kPrograms.start[size_t(r)]; kPrograms.code[size_t(i)].op != Op::End; ++i) {
      const Instr& in = kPrograms.code[size_t(i)];
      if (in.op == Op::Child || in.op == Op::List) written[in.slot] = true;
    }
    for (int c = 0; c < info.childCount; ++c)
      if (!written[c] && info.childCount != 1) return false;
  }
  return true;
}
static_assert(UnwrittenChildrenStandAlone());

}  // namespace

// Out of line: every look ahead comes here, and the lexing is long.
[[gnu::noinline]] JsonReader::Lexeme JsonReader::Lex(size_t at) const { return LexIn(text_, size_, at); }

// The lexemes from at_ on are lexed once, into a queue that choosing a
// rule looks ahead in.
const JsonReader::Lexeme& JsonReader::Ahead(size_t i) const {
  while (queued_ <= i) {
    size_t from = queued_ ? queue_[(head_ + queued_ - 1) % kAhead].end : at_;
    if (queued_ == kAhead) return queue_[(head_ + kAhead - 1) % kAhead];  // deeper than any choice looks
    queue_[(head_ + queued_) % kAhead] = Lex(from);
    ++queued_;
  }
  return queue_[(head_ + i) % kAhead];
}

JsonReader::Lexeme JsonReader::Peek() const { return Ahead(0); }

JsonReader::Lexeme JsonReader::Take() {
  Lexeme l = Ahead(0);
  head_ = (head_ + 1) % kAhead;
  --queued_;
  at_ = l.end;
  return l;
}

// ---- Diagnostics ----

std::string JsonReader::Path() const {
  std::string path;
  for (const PathStep& s : path_) {
    if (s.array) {
      path.append("[").append(std::to_string(s.index)).append("]");
    } else if (!s.key.empty()) {
      if (!path.empty()) path += '.';
      path.append(s.key);
    }
  }
  return path.empty() ? "the document" : path;
}

namespace {

std::string Described(const char* text, const JsonReader::Lexeme& l) {
  switch (l.token) {
    case kObjectOpen: return "an object";
    case kArrayOpen: return "an array";
    case kObjectClose: return "the end of an object";
    case kArrayClose: return "the end of an array";
    case kColon: return "\":\"";
    case kComma: return "\",\"";
    case kEnd: return "the end of the document";
    default: break;
  }
  std::string_view shown(text + l.begin, std::min<size_t>(l.end - l.begin, 40));
  return Joined({l.token == kString ? "the string " : "", shown, l.end - l.begin > 40 ? "..." : ""});
}

// The place of a byte of the document as diagnostics give it: lines end at
// line feeds, a tab moves to the next of the columns 1, 9, 17, ...
SrcPosition PositionIn(const char* text, size_t offset) {
  SrcPosition p = {1, 1};
  for (size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n')
      p = {Saturated(size_t(p.line) + 1), 1};
    else
      p.col = text[i] == '\t' ? p.col + 8 - (p.col - 1) % 8 : Saturated(size_t(p.col) + 1);
  }
  return p;
}

// Whether the escapes of a string literal's text are all the scanner takes
// without an ERROR: a "\x" needs a hex digit after it (an unknown escape is
// only a NOTE, and kept as written).
bool EscapesHold(std::string_view literal) {
  for (size_t i = 1; i + 1 < literal.size(); ++i) {
    if (literal[i] != '\\') continue;
    if (literal[i + 1] == 'x' && !std::isxdigit(static_cast<unsigned char>(literal[i + 2]))) return false;
    ++i;
  }
  return true;
}

// Whether the mapping writes a key of this text anywhere.
bool IsKeyOfTheMapping(std::string_view key) {
  for (const Instr& in : kPrograms.code)
    if (in.op == Op::Key && std::string_view(in.text, size_t(in.len)) == key) return true;
  return false;
}

}  // namespace

void JsonReader::Fail(int code, const Lexeme& at, const std::string& text) {
  if (failed_) return;
  failed_ = true;
  size_t length = at.token == kEnd ? 0 : at.end - at.begin;
  reports_->Report(Code(code), Joined({Path(), ": ", text}), {PositionIn(text_, at.begin), at.begin, length});
}

// What stands where `what` belongs; a lexeme that is no JSON says so.
void JsonReader::FailExpected(const Lexeme& found, std::string_view what) {
  if (found.token == kBroken)
    Fail(int(Code::DocumentNotJson), found, found.broken);
  else
    Fail(int(Code::WrongValue), found, Joined({"expected ", what, ", found ", Described(text_, found)}));
}

bool JsonReader::Expect(int token, const char* what) {
  Lexeme l = Take();
  if (l.token == token) return true;
  FailExpected(l, what);
  return false;
}

// ---- Choosing the rule that wrote a text ----

// How far the program of `rule` fits the document from lexeme `at` on
// (viable: up to the first value it reads, for values do not tell rules
// apart, keys do; else the lexemes it matched).  Children are followed into
// every rule of their kind, to the depth of the grammar.
JsonReader::Fit JsonReader::FitOf(int rule, size_t at, int depth) const {
  if (depth > 16) return {true, at};
  for (const Instr* in = ProgramOf(rule);; ++in) {
    const Lexeme& l = Ahead(at);
    switch (in->op) {
      case Op::End:
        return {true, at};
      case Op::Break:
        continue;
      case Op::Open:
      case Op::Close: {
        int token = in->text[0] == '{' ? kObjectOpen : in->text[0] == '[' ? kArrayOpen
                                                       : in->text[0] == '}' ? kObjectClose
                                                                            : kArrayClose;
        if (l.token != token) return {false, at};
        break;
      }
      case Op::CommaBreak:
        if (l.token != kComma) return {false, at};
        break;
      case Op::Key:
        if (!IsKey(l, std::string_view(in->text, size_t(in->len)))) return {false, at};
        if (Ahead(at + 1).token != kColon) return {false, at + 1};
        at += 2;
        continue;
      case Op::Text:
        // The fixed text of a member: lexeme for lexeme.
        for (size_t f = 0;;) {
          Lexeme want = LexIn(in->text, size_t(in->len), f);
          if (want.token == kEnd) break;
          const Lexeme& got = Ahead(at);
          if (got.token != want.token || std::string_view(text_ + got.begin, got.end - got.begin) !=
                                             std::string_view(in->text + want.begin, want.end - want.begin))
            return {false, at};
          ++at;
          f = want.end;
        }
        continue;
      case Op::Child: {
        const KindRules& k = kKindRules[size_t(kRules[size_t(rule)].arg[kArgOfSlot[size_t(rule)][in->slot]])];
        Fit best = {false, at};
        for (int i = 0; i < k.count && !best.viable; ++i) {
          Fit fit = FitOf(k.rule[i], at, depth + 1);
          if (fit.viable || fit.reached > best.reached) best = fit;
        }
        return best;
      }
      default:  // a value or a list
        return {true, at};
    }
    ++at;
  }
}

// Whether a lexeme is that of a rule's beginning.
bool JsonReader::Is(const Lexeme& l, int token, std::string_view text) const {
  if (l.token != token) return false;
  std::string_view seen(text_ + l.begin, l.end - l.begin);
  if (token == kString) return seen.substr(1, seen.size() - 2) == text;
  return token != kBare || seen == text;
}

// The rule of `kind` that wrote the text ahead: the one that fits, or, where
// none does, the one that fits furthest, so that reading it stops at the
// very place the document goes wrong.
int JsonReader::RuleAt(int kind) {
  const KindRules& k = kKindRules[size_t(kind)];
  if (k.count == 1) return k.rule[0];
  if (const Decision& d = kDecisions[size_t(kind)]; d.deciding >= 0) {
    bool agrees = true;
    for (int p = 0; p < d.deciding && agrees; ++p) agrees = Is(Ahead(size_t(p)), d.before[p].token, d.before[p].text);
    const Lexeme& deciding = Ahead(size_t(d.deciding));
    for (int i = 0; i < d.count && agrees; ++i)
      if (Is(deciding, d.option[i].token, d.option[i].text)) return d.option[i].rule;
  }
  int best = k.rule[0];
  size_t reached = 0;
  for (int i = 0; i < k.count; ++i) {
    Fit fit = FitOf(k.rule[i], 0, 0);
    if (fit.viable) return k.rule[i];
    if (fit.reached > reached) {
      best = k.rule[i];
      reached = fit.reached;
    }
  }
  return best;
}

// ---- Values ----

bool JsonReader::ReadValue(Frame& f, int argument, bool integer, NodeArg* value) {
  Lexeme l = Take();
  if (l.token == kBroken) {
    Fail(int(Code::DocumentNotJson), l, l.broken);
    return false;
  }
  std::string_view text(text_ + l.begin, l.end - l.begin);
  if (integer) {
    bool negative = !text.empty() && text[0] == '-';
    long long v = 0;
    bool digits = text.size() > size_t(negative);
    for (size_t i = size_t(negative); i < text.size() && digits; ++i) {
      digits = text[i] >= '0' && text[i] <= '9' && v <= INT_MAX;
      v = v * 10 + (text[i] - '0');
    }
    if (negative) v = -v;
    if (l.token != kBare || !digits || v > INT_MAX || v < INT_MIN) {
      Fail(int(Code::WrongValue), l, Joined({"expected an integer, found ", Described(text_, l)}));
      return false;
    }
    value->value = int(v);
    return true;
  }
  int terminal = LiteralTerminal(f.rule, argument);
  bool fits = terminal == TK_StringLiteral ? l.token == kString && EscapesHold(text) : l.token == kBare;
  if (fits && terminal == TK_RealLiteral) {
    scratch_.assign(text).push_back('\0');
    const char* end = nullptr;
    fits = NumberAt(scratch_.c_str(), &end) == TK_RealLiteral && size_t(end - scratch_.c_str()) == text.size();
  }
  if (!fits) {
    const char* what = terminal == TK_StringLiteral ? "a string literal" : "a real literal";
    bool missing = l.token == kComma || l.token == kObjectClose || l.token == kArrayClose;
    bool badEscape = l.token == kString && terminal == TK_StringLiteral;
    Fail(int(Code::WrongValue), l,
         Joined({"expected ", what, ", found ", missing ? "no value" : Described(text_, l),
                 badEscape ? ", whose \\x has no hex digit after it" : ""}));
    return false;
  }
  value->value = strings_->Store(text.data(), text.size());
  return true;
}

// ---- Building ----

// The node of a frame whose program has run.  A child the document does
// not show (the strings of a NIL) is its kind's rule with every list empty.
NodeRef JsonReader::Finish(Frame& f) {
  const RuleInfo& info = kRules[size_t(f.rule)];
  static constexpr SrcPosition kNowhereInText = {0, 0};
  for (int a = 0; a < info.argCount; ++a) {
    if (f.set[a] || info.arg[a] < 0) continue;
    const KindRules& child = kKindRules[size_t(info.arg[a])];
    const RuleInfo& made = kRules[size_t(child.rule[0])];
    NodeArg lists[kMaxArgs] = {};
    for (int b = 0; b < made.argCount; ++b)
      lists[b].node = tree_->Build(kKindRules[size_t(made.arg[b])].empty, &kNowhereInText, nullptr);
    f.args[a].node = tree_->Build(child.rule[0], &kNowhereInText, lists);
  }
  return tree_->Build(f.rule, &kNowhereInText, f.args);
}

// Whether a lexeme is the string of a key.
bool JsonReader::IsKey(const Lexeme& l, std::string_view key) const {
  return l.token == kString && l.end - l.begin == key.size() + 2 && memcmp(text_ + l.begin + 1, key.data(), key.size()) == 0;
}

// A key of the program where the document stands: a key it has further on
// is missing here, one it has nowhere does not belong.
bool JsonReader::ReadKey(std::string_view key) {
  Lexeme l = Take();
  path_.back().key = key;
  std::string_view got(text_ + l.begin, l.end - l.begin);
  if (IsKey(l, key)) return Expect(kColon, "\":\"");
  if (l.token == kString && Peek().token == kColon && !IsKeyOfTheMapping(got.substr(1, got.size() - 2))) {
    path_.back().key = got.substr(1, got.size() - 2);
    Fail(int(Code::UnknownKey), l, Joined({"no key ", got, " belongs here"}));
  } else if (l.token == kString || l.token == kObjectClose) {
    Fail(int(Code::MissingKey), l, Joined({"the key \"", key, "\" is missing"}));
  } else {
    FailExpected(l, Joined({"the key \"", key, "\""}));
  }
  return false;
}

// The fixed text of a member ("Null": null), lexeme for lexeme.
bool JsonReader::ReadFixed(std::string_view fixed) {
  for (size_t f = 0;;) {
    Lexeme want = LexIn(fixed.data(), fixed.size(), f);
    if (want.token == kEnd) return true;
    std::string_view wanted = fixed.substr(want.begin, want.end - want.begin);
    if (want.token == kString && LexIn(fixed.data(), fixed.size(), want.end).token == kColon) {
      if (!ReadKey(wanted.substr(1, wanted.size() - 2))) return false;
      f = LexIn(fixed.data(), fixed.size(), want.end).end;
      continue;
    }
    Lexeme l = Take();
    if (l.token != want.token || std::string_view(text_ + l.begin, l.end - l.begin) != wanted) {
      FailExpected(l, wanted);
      return false;
    }
    f = want.end;
  }
}

// A node (or a list element) read: it becomes the argument the frame below
// waits for, or the next element of its list.
void JsonReader::Deliver(Frame& f, NodeRef node) {
  static constexpr SrcPosition kNowhereInText = {0, 0};
  if (f.child < 0) {
    NodeArg args[2];
    args[0].node = f.list;
    args[1].node = node;
    tree_->Build(kKindRules[size_t(ListKindOf(f))].append, &kNowhereInText, args);
    ++f.elements;
    return;
  }
  f.args[f.child].node = node;
  f.set[f.child] = true;
  ++f.pc;
}

int JsonReader::ListKindOf(const Frame& f) const {
  const Instr& in = ProgramOf(f.rule)[f.pc];
  return kRules[size_t(f.rule)].arg[kArgOfSlot[size_t(f.rule)][in.slot]];
}

// The next element of the list the frame reads, or its end.  Returns false
// when it pushed the frame of an element.
bool JsonReader::ListStep(Frame& f) {
  static constexpr SrcPosition kNowhereInText = {0, 0};
  int listKind = ListKindOf(f);
  const KindRules& list = kKindRules[size_t(listKind)];
  if (!f.list) {
    f.list = tree_->Build(list.empty, &kNowhereInText, nullptr);
    f.elements = 0;
  }
  Lexeme next = Peek();
  if (next.token == kArrayClose) {
    int argument = kArgOfSlot[size_t(f.rule)][ProgramOf(f.rule)[f.pc].slot];
    f.args[argument].node = f.list;
    f.set[argument] = true;
    f.list = 0;
    ++f.pc;
    return true;
  }
  if (f.elements > 0 && !Expect(kComma, "\",\" or the end of the array")) return true;
  path_.back().index = f.elements;
  const RuleInfo& append = kRules[size_t(list.append)];
  if (append.arg[1] >= 0) {
    int rule = RuleAt(append.arg[1]);
    if (rule < 0) return true;
    f.child = -1;
    frames_.push_back({rule});
    return false;
  }
  NodeArg args[2];
  args[0].node = f.list;
  bool integer = append.arg[1] == kIntArg;
  Frame element = {list.append};
  if (!ReadValue(element, 1, integer, &args[1])) return true;
  tree_->Build(list.append, &kNowhereInText, args);
  ++f.elements;
  return true;
}

NodeRef JsonReader::Read(const char* text, size_t size) {
  text_ = text;
  size_ = size;
  at_ = 0;
  head_ = queued_ = 0;
  failed_ = false;
  frames_.clear();
  path_.clear();
  frames_.push_back({R_Root});
  while (!failed_) {
    Frame& f = frames_.back();
    const Instr& in = ProgramOf(f.rule)[f.pc];
    if (f.list || in.op == Op::List) {
      ListStep(f);
      continue;
    }
    switch (in.op) {
      case Op::End: {
        NodeRef node = Finish(f);
        frames_.pop_back();
        if (frames_.empty()) {
          Lexeme rest = Take();
          if (rest.token == kEnd) return node;
          Fail(int(Code::DocumentNotJson), rest, "the document goes on after its end");
          return 0;
        }
        Deliver(frames_.back(), node);
        continue;
      }
      case Op::Open:
        if (!Expect(in.text[0] == '{' ? kObjectOpen : kArrayOpen, in.text[0] == '{' ? "an object" : "an array")) break;
        path_.push_back({{}, in.text[0] == '['});
        break;
      case Op::Close:
        // What goes wrong here goes wrong in the object or array itself.
        path_.pop_back();
        Expect(in.text[0] == '}' ? kObjectClose : kArrayClose,
               in.text[0] == '}' ? "the end of the object" : "the end of the array");
        break;
      case Op::Break:
        break;
      case Op::CommaBreak:
        // An object that ends where more members belong misses the next.
        if (Peek().token == kObjectClose) {
          const Instr* key = &in + 1;
          while (key->op == Op::Break) ++key;
          if (key->op == Op::Key) {
            path_.back().key = std::string_view(key->text, size_t(key->len));
            Fail(int(Code::MissingKey), Peek(), Joined({"the key \"", path_.back().key, "\" is missing"}));
            break;
          }
        }
        Expect(kComma, "\",\"");
        break;
      case Op::Key:
        ReadKey(std::string_view(in.text, size_t(in.len)));
        break;
      case Op::Text:
        ReadFixed(std::string_view(in.text, size_t(in.len)));
        break;
      case Op::Int:
      case Op::Literal: {
        int argument = kArgOfSlot[size_t(f.rule)][in.slot];
        if (ReadValue(f, argument, in.op == Op::Int, &f.args[argument])) f.set[argument] = true;
        break;
      }
      case Op::Child: {
        int argument = kArgOfSlot[size_t(f.rule)][in.slot];
        int rule = RuleAt(kRules[size_t(f.rule)].arg[argument]);
        if (rule < 0) break;
        f.child = argument;
        frames_.push_back({rule});
        continue;  // the child's frame runs; its node comes back through Deliver
      }
      case Op::List:
        break;
    }
    if (!failed_) ++frames_.back().pc;
  }
  return 0;
}

}  // namespace qel2json::detail
