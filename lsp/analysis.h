// One translation of a document's text, as the server shows it: the
// diagnostics with their byte ranges and the tokens the library recorded,
// and, once the outline or hover asks for them, the spans of the tree's
// nodes.  Made and read on the worker thread.
//
// The text is translated with QEL2JSON_REPAIR_WORDS, so that a misspelt
// keyword is one diagnostic over the word.  Where such words stand, the
// text is translated once more as the command line does, and what that
// translation reports and the repaired one does not (the cascade a word
// caused) goes into the word's diagnostic (see FoldCascades in
// analysis.cc, and docs/editors.md).
//
// Diagnostics are published after every change, so what they need is all
// that is made at once; spans cost a translation more and are made only when
// asked for.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/positions.h"
#include "qel2json.hpp"

namespace lsp {

using nlohmann::json;

// A diagnostic of the command line's translation that a misspelt word
// caused, shown in the word's related information.
struct Caused {
  size_t begin = 0;  // byte range in the text
  size_t end = 0;
  std::string message;  // "ERROR: Syntax error", as the command line's line ends
};

struct Problem {
  size_t begin = 0;  // byte range in the text
  size_t end = 0;
  qel2json_code code = QEL2JSON_CODE_SYNTAX_ERROR;
  qel2json::Severity severity = qel2json::Severity::Note;
  std::string message;
  std::vector<std::string> expected;  // for a syntax error
  size_t resumed = size_t(-1);        // for a syntax error: the problem where parsing went on
  std::string suggestion;             // for an unknown keyword: the keyword it resembles, if any
  std::vector<Caused> caused;         // for an unknown keyword: the cascade it caused
};

class Analysis {
 public:
  // Translates text with `translator` (whose options it sets).
  Analysis(std::shared_ptr<const std::string> text, int version, qel2json::Translator& translator);
  Analysis(const Analysis&) = delete;
  Analysis& operator=(const Analysis&) = delete;

  const std::string& text() const { return *text_; }
  // Whether this is the analysis of exactly that text (not merely an equal
  // one): the text a request was asked about.
  bool Of(const std::shared_ptr<const std::string>& text) const { return text == text_; }
  int version() const { return version_; }
  const LineIndex& lines() const { return lines_; }
  const std::vector<Problem>& problems() const { return problems_; }
  // The tokens and comments in the order of the text.
  size_t TokenCount() const { return tokenCount_; }
  qel2json_token Token(size_t i) const;
  // The token whose bytes hold offset, or none.
  std::optional<qel2json_token> TokenAt(size_t offset) const;

  // The spans, made with `translator` when first asked for.
  const std::vector<qel2json::Span>& Spans(qel2json::Translator& translator) const;

  // A protocol range of bytes [begin, end).
  json RangeOf(size_t begin, size_t end, Encoding encoding) const;

 private:
  void Collect();
  void FoldCascades(qel2json::Translator& translator);
  // The bytes a diagnostic points at, at least its first character.
  std::pair<size_t, size_t> BytesOf(const qel2json::Diagnostic& d) const;

  std::shared_ptr<const std::string> text_;
  int version_;
  LineIndex lines_;
  std::vector<Problem> problems_;
  qel2json::Result result_;
  size_t tokenCount_;
  mutable std::optional<std::vector<qel2json::Span>> spans_;
};

// The protocol's range from start to end.
json RangeJson(Position start, Position end);

// A request's result, and what to tell the user beside it (a
// window/showMessage warning): why a request that did nothing did nothing.
struct Reply {
  Reply(json r) : result(std::move(r)) {}  // every result is a reply without a warning
  Reply(json r, std::string w) : result(std::move(r)), warning(std::move(w)) {}
  json result;
  std::string warning;  // "": none
};

// What the server offers on an analysis, each a result of the protocol.
json DiagnosticsOf(const Analysis& a, const std::string& uri, Encoding encoding);
json SemanticTokensOf(const Analysis& a, Encoding encoding);
json FoldingRangesOf(const Analysis& a);
json HoverOf(const Analysis& a, qel2json::Translator& translator, Position at, Encoding encoding);
json CodeActionsOf(const Analysis& a, const std::string& uri, Position from, Position to, Encoding encoding);

// The legend of SemanticTokensOf.
json SemanticTokenLegend();

}  // namespace lsp
