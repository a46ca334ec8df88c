#include "lsp/analysis.h"

#include <algorithm>
#include <cctype>

#include "lsp/hover.h"
#include "lsp/spelling.h"

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

json PositionJson(Position p) { return {{"line", p.line}, {"character", p.character}}; }

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

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A lexical error on a letter: where the scanner rejected (part of) a word.
bool RejectsALetter(const Problem& p) {
  const std::string& m = p.message;
  return m.size() > 8 && m.compare(0, 6, "char '") == 0 && IsLetter(m[6]) && m[7] == '\'' &&
         (m.compare(8, std::string::npos, " is not a token") == 0 ||
          m.compare(8, std::string::npos, " is not a complete token") == 0);
}

}  // namespace

namespace {

qel2json::Result Translated(const std::string& text, qel2json::Translator& translator, qel2json::Options options) {
  translator.set_options(options | qel2json::Options::NoDocument);
  return translator.translate(text, "document");
}

}  // namespace

Analysis::Analysis(std::string text, int version, qel2json::Translator& translator)
    : text_(std::move(text)),
      version_(version),
      lines_(text_),
      result_(Translated(text_, translator, qel2json::Options::RecordTokens)),
      tokenCount_(qel2json_result_token_count(result_.get())) {
  Collect();
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
  if (!spans_) spans_ = Translated(text_, translator, qel2json::Options::RecordSpans).spans();
  return *spans_;
}

// A problem covers the token that begins where it stands (on its first
// line), else the one character there; at a line's end it is empty.
size_t Analysis::ProblemEnd(size_t begin) const {
  size_t lineEnd = lines_.LineEnd(lines_.LineOf(begin));
  std::optional<qel2json_token> t = TokenAt(begin);
  if (t && t->offset == begin) return std::min(begin + t->length, std::max(lineEnd, begin));
  return begin < lineEnd ? lines_.CharacterEnd(begin) : begin;
}

void Analysis::Collect() {
  ColumnCursor columns(lines_, text_);
  size_t syntaxError = size_t(-1);
  for (const qel2json::Diagnostic& d : result_.diagnostics()) {
    Problem p;
    p.begin = columns.OffsetOf(d.line, d.column);
    p.end = d.line > 0 ? ProblemEnd(p.begin) : p.begin;
    p.severity = d.severity;
    p.message = std::string(d.message);
    for (std::string_view e : d.expected) p.expected.emplace_back(e);
    if (p.message == "Syntax error") syntaxError = problems_.size();
    if (p.message == "Parsing resumed here" && syntaxError != size_t(-1)) {
      problems_[syntaxError].resumed = problems_.size();
      syntaxError = size_t(-1);
    }
    problems_.push_back(std::move(p));
  }
}

json RangeJson(Position start, Position end) { return {{"start", PositionJson(start)}, {"end", PositionJson(end)}}; }

json Analysis::RangeOf(size_t begin, size_t end, Encoding encoding) const {
  PositionCursor cursor(lines_, text_, encoding);
  Position b = cursor.At(begin);
  return RangeJson(b, cursor.At(std::max(begin, end)));
}

json DiagnosticsOf(const Analysis& a, const std::string& uri, Encoding encoding) {
  json all = json::array();
  for (const Problem& p : a.problems()) {
    json d = {{"range", a.RangeOf(p.begin, p.end, encoding)},
              {"severity", SeverityOf(p.severity)},
              {"source", "qel2json"},
              {"message", p.message}};
    json related = json::array();
    if (!p.expected.empty())
      related.push_back({{"location", {{"uri", uri}, {"range", d["range"]}}}, {"message", ExpectedText(p.expected)}});
    if (p.resumed != size_t(-1)) {
      const Problem& r = a.problems()[p.resumed];
      related.push_back(
          {{"location", {{"uri", uri}, {"range", a.RangeOf(r.begin, r.end, encoding)}}}, {"message", r.message}});
    }
    if (!related.empty()) d["relatedInformation"] = std::move(related);
    all.push_back(std::move(d));
  }
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

// A fix for every word in the range where the scanner rejected a letter:
// the word replaced by the nearest keyword.
json CodeActionsOf(const Analysis& a, const std::string& uri, Position from, Position to, Encoding encoding) {
  size_t begin = a.lines().OffsetOf(from, encoding), end = a.lines().OffsetOf(to, encoding);
  const std::string& text = a.text();
  json actions = json::array();
  size_t lastWord = size_t(-1);
  for (const Problem& p : a.problems()) {
    if (p.end < begin || p.begin > end || !RejectsALetter(p) || p.begin >= text.size()) continue;
    size_t wordBegin = p.begin, wordEnd = p.begin;
    while (wordBegin > 0 && IsLetter(text[wordBegin - 1])) --wordBegin;
    while (wordEnd < text.size() && IsLetter(text[wordEnd])) ++wordEnd;
    if (wordBegin == lastWord) continue;
    lastWord = wordBegin;
    std::string word = text.substr(wordBegin, wordEnd - wordBegin);
    std::string keyword = NearestKeyword(word);
    if (keyword.empty()) continue;
    json range = a.RangeOf(wordBegin, wordEnd, encoding);
    json diagnostic = {{"range", a.RangeOf(p.begin, p.end, encoding)},
                       {"severity", SeverityOf(p.severity)},
                       {"source", "qel2json"},
                       {"message", p.message}};
    actions.push_back({{"title", "Replace " + word + " with " + keyword},
                       {"kind", "quickfix"},
                       {"isPreferred", true},
                       {"diagnostics", {diagnostic}},
                       {"edit", {{"changes", {{uri, {{{"range", range}, {"newText", keyword}}}}}}}}});
  }
  return actions;
}

}  // namespace lsp
