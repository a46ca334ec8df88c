#include "lsp/analysis.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "lsp/hover.h"

namespace lsp {

namespace {

// The protocol's severities: Error 1, Warning 2, Information 3.
int SeverityOf(qel2json::Severity s) {
  switch (s) {
    case qel2json::Severity::Error:
    case qel2json::Severity::Deadly: return 1;
    case qel2json::Severity::Warning: return 2;
    case qel2json::Severity::Note: break;
  }
  return 3;
}

// Built member by member: a position is made for every diagnostic, token and
// range, and an initializer list would copy each value once more.
json PositionJson(Position p) {
  json position = json::object();
  position["line"] = p.line;
  position["character"] = p.character;
  return position;
}

// "expected one of: `>`, INTEGER, string literal": marks in backquotes,
// keywords and literal classes as they are.
std::string ExpectedText(const std::vector<std::string>& names) {
  std::string text = names.size() == 1 ? "expected: " : "expected one of: ";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += ", ";
    bool mark = names[i].size() == 1 && !std::isalpha(static_cast<unsigned char>(names[i][0]));
    text += mark ? "`" + names[i] + "`" : names[i];
  }
  return text;
}

qel2json::Result Translated(const std::string& text, qel2json::Translator& translator, qel2json::Options options) {
  translator.set_options(options | qel2json::Options::NoDocument);
  return translator.translate(text, "document");
}

// What the editor shows: a misspelt keyword as one word.
constexpr qel2json::Options kShown = qel2json::Options::RepairWords;

}  // namespace

Analysis::Analysis(std::shared_ptr<const std::string> text, int version, qel2json::Translator& translator)
    : text_(std::move(text)),
      version_(version),
      lines_(*text_),
      result_(Translated(*text_, translator, kShown | qel2json::Options::RecordTokens)),
      tokenCount_(qel2json_result_token_count(result_.get())) {
  Collect();
  FoldCascades(translator);
}

qel2json_token Analysis::Token(size_t i) const { return *qel2json_result_token_at(result_.get(), i); }

std::optional<qel2json_token> Analysis::TokenAt(size_t offset) const {
  size_t low = 0, high = tokenCount_;  // the first token that begins after offset
  while (low < high) {
    size_t mid = low + (high - low) / 2;
    if (Token(mid).offset <= offset)
      low = mid + 1;
    else
      high = mid;
  }
  if (low == 0) return std::nullopt;
  qel2json_token t = Token(low - 1);
  if (offset < t.offset + t.length) return t;
  return std::nullopt;
}

const std::vector<qel2json::Span>& Analysis::Spans(qel2json::Translator& translator) const {
  if (!spans_) spans_ = Translated(*text_, translator, kShown | qel2json::Options::RecordSpans).spans();
  return *spans_;
}

// A byte that begins no token may be one of a character of several bytes:
// the range covers that character, so that it does not shrink to nothing
// in the editor's units.
std::pair<size_t, size_t> Analysis::BytesOf(const qel2json::Diagnostic& d) const {
  size_t end = d.offset + d.length;
  if (d.length > 0) end = std::max(end, lines_.CharacterEnd(lines_.CharacterStart(d.offset)));
  return {d.offset, end};
}

void Analysis::Collect() {
  for (const qel2json::Diagnostic& d : result_.diagnostics()) {
    Problem p;
    std::tie(p.begin, p.end) = BytesOf(d);
    p.code = d.code;
    p.severity = d.severity;
    p.message = d.message;
    p.expected = d.expected;
    p.suggestion = d.suggestion;
    if (d.related) problems_[*d.related].resumed = problems_.size();
    problems_.push_back(std::move(p));
  }
}

// The cascade of a misspelt word: a diagnostic of the command line's
// translation that the repaired one lacks (it has none of the same code at
// the same byte) was caused by the word it follows, the last word that
// begins at or before it.  Every diagnostic of the repaired translation
// stays shown, so an error after the word that the command line also
// reports is not hidden, and one it never reached (its errors ran out on the
// cascade) is shown too.  Nothing before the first word can differ (both
// translations read the same bytes the same way up to it); should anything,
// it goes to the first word rather than out of sight.
void Analysis::FoldCascades(qel2json::Translator& translator) {
  std::vector<size_t> words;
  std::set<std::pair<qel2json_code, size_t>> repaired;
  for (size_t i = 0; i < problems_.size(); ++i) {
    if (problems_[i].code == QEL2JSON_CODE_UNKNOWN_KEYWORD) words.push_back(i);
    repaired.emplace(problems_[i].code, problems_[i].begin);
  }
  if (words.empty()) return;
  for (const qel2json::Diagnostic& d : Translated(*text_, translator, qel2json::Options::None).diagnostics()) {
    if (repaired.count({d.code, d.offset})) continue;
    auto after = std::upper_bound(words.begin(), words.end(), d.offset,
                                  [this](size_t offset, size_t w) { return offset < problems_[w].begin; });
    size_t word = after == words.begin() ? words.front() : *(after - 1);
    auto [begin, end] = BytesOf(d);
    problems_[word].caused.push_back({begin, end, std::string(qel2json::severity_name(d.severity)) + ": " + d.message});
  }
}

json RangeJson(Position start, Position end) {
  json range = json::object();
  range["start"] = PositionJson(start);
  range["end"] = PositionJson(end);
  return range;
}

json Analysis::RangeOf(size_t begin, size_t end, Encoding encoding) const {
  PositionCursor cursor(lines_, *text_, encoding);
  Position b = cursor.At(begin);
  return RangeJson(b, cursor.At(std::max(begin, end)));
}

namespace {

json Related(const std::string& uri, json range, std::string message) {
  return {{"location", {{"uri", uri}, {"range", std::move(range)}}}, {"message", std::move(message)}};
}

// A problem as the protocol's diagnostic.  Its related information: what a
// syntax error expected and where parsing resumed after it; the cascade a
// misspelt word caused.
json DiagnosticJson(const Analysis& a, const Problem& p, const std::string& uri, Encoding encoding) {
  json d = {{"range", a.RangeOf(p.begin, p.end, encoding)},
            {"severity", SeverityOf(p.severity)},
            {"source", "qel2json"},
            {"message", p.message}};
  json related = json::array();
  if (!p.expected.empty()) related.push_back(Related(uri, d["range"], ExpectedText(p.expected)));
  if (p.resumed != size_t(-1)) {
    const Problem& r = a.problems()[p.resumed];
    related.push_back(Related(uri, a.RangeOf(r.begin, r.end, encoding), r.message));
  }
  for (const Caused& c : p.caused) related.push_back(Related(uri, a.RangeOf(c.begin, c.end, encoding), c.message));
  if (!related.empty()) d["relatedInformation"] = std::move(related);
  return d;
}

}  // namespace

json DiagnosticsOf(const Analysis& a, const std::string& uri, Encoding encoding) {
  json all = json::array();
  for (const Problem& p : a.problems()) all.push_back(DiagnosticJson(a, p, uri, encoding));
  return {{"uri", uri}, {"version", a.version()}, {"diagnostics", std::move(all)}};
}

namespace {

enum TokenType { kKeyword, kString, kNumber, kComment, kOperator, kNone };

TokenType TypeOf(qel2json_token_kind kind) {
  switch (kind) {
    case QEL2JSON_TOKEN_KEYWORD: return kKeyword;
    case QEL2JSON_TOKEN_STRING: return kString;
    case QEL2JSON_TOKEN_INTEGER:
    case QEL2JSON_TOKEN_REAL: return kNumber;
    case QEL2JSON_TOKEN_COMMENT: return kComment;
    case QEL2JSON_TOKEN_BRACKET: return kOperator;
    case QEL2JSON_TOKEN_END_OF_TEXT: break;
  }
  return kNone;
}

}  // namespace

json SemanticTokenLegend() {
  return {{"tokenTypes", {"keyword", "string", "number", "comment", "operator"}}, {"tokenModifiers", json::array()}};
}

// Relative positions, five numbers a token; a token over several lines (a
// continued string) is one token a line.
json SemanticTokensOf(const Analysis& a, Encoding encoding) {
  std::vector<size_t> data;
  PositionCursor cursor(a.lines(), a.text(), encoding);
  size_t lastLine = 0, lastStart = 0;
  for (size_t i = 0; i < a.TokenCount(); ++i) {
    qel2json_token t = a.Token(i);
    TokenType type = TypeOf(t.kind);
    if (type == kNone) continue;
    for (size_t begin = t.offset, end = t.offset + t.length; begin < end;) {
      size_t line = a.lines().LineOf(begin);
      size_t pieceEnd = std::min(end, a.lines().LineEnd(line));
      Position b = cursor.At(begin), e = cursor.At(pieceEnd);
      if (e.character > b.character) {
        data.insert(data.end(), {b.line - lastLine, b.line == lastLine ? b.character - lastStart : b.character,
                                 e.character - b.character, size_t(type), 0});
        lastLine = b.line;
        lastStart = b.character;
      }
      if (line + 1 >= a.lines().LineCount()) break;
      begin = a.lines().LineStart(line + 1);
    }
  }
  return {{"data", std::move(data)}};
}

// Every < > pair over more than two lines folds its inner lines.
json FoldingRangesOf(const Analysis& a) {
  json ranges = json::array();
  std::vector<size_t> open;
  for (size_t i = 0; i < a.TokenCount(); ++i) {
    qel2json_token t = a.Token(i);
    if (t.kind != QEL2JSON_TOKEN_BRACKET) continue;
    size_t line = a.lines().LineOf(t.offset);
    if (t.name[0] == '<') {
      open.push_back(line);
    } else if (!open.empty()) {
      size_t start = open.back();
      open.pop_back();
      if (line > start + 1) ranges.push_back({{"startLine", start}, {"endLine", line - 1}});
    }
  }
  return ranges;
}

namespace {

// The kind of the innermost node whose bytes hold offset: where a keyword
// stands, the node whose own token it is.  Spans come in the order of the
// text with children before their parents, so of nodes with the same bytes
// the first is the innermost.
qel2json_kind KindAt(const std::vector<qel2json::Span>& spans, size_t offset) {
  qel2json_kind kind = QEL2JSON_KIND_ROOT;
  size_t narrowest = size_t(-1);
  for (const qel2json::Span& s : spans)
    if (s.begin <= offset && offset < s.end && s.end - s.begin < narrowest) {
      kind = s.code;
      narrowest = s.end - s.begin;
    }
  return kind;
}

}  // namespace

json HoverOf(const Analysis& a, qel2json::Translator& translator, Position at, Encoding encoding) {
  std::optional<qel2json_token> t = a.TokenAt(a.lines().OffsetOf(at, encoding));
  if (!t) return nullptr;
  std::string_view text = HoverText(t->name, KindAt(a.Spans(translator), t->offset));
  if (text.empty()) return nullptr;
  return {{"contents", {{"kind", "markdown"}, {"value", std::string(text)}}},
          {"range", a.RangeOf(t->offset, t->offset + t->length, encoding)}};
}

// A fix for every misspelt word in the range that resembles a keyword: the
// word replaced by that keyword.
json CodeActionsOf(const Analysis& a, const std::string& uri, Position from, Position to, Encoding encoding) {
  size_t begin = a.lines().OffsetOf(from, encoding), end = a.lines().OffsetOf(to, encoding);
  json actions = json::array();
  for (const Problem& p : a.problems()) {
    if (p.end < begin || p.begin > end || p.suggestion.empty()) continue;
    std::string word = a.text().substr(p.begin, p.end - p.begin);
    json edit = {{"range", a.RangeOf(p.begin, p.end, encoding)}, {"newText", p.suggestion}};
    actions.push_back({{"title", "Replace " + word + " with " + p.suggestion},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", {DiagnosticJson(a, p, uri, encoding)}},
                       {"edit", {{"changes", {{uri, {std::move(edit)}}}}}}});
  }
  return actions;
}

}  // namespace lsp
