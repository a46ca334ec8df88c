#include "lsp/formatting.h"

#include <string>

namespace lsp {

namespace {

// Why a text was not formatted, in the command line's words: the first
// ERROR (or DEADLY, which ends a run without one) and its line.
std::string Refusal(const qel2json::Result& r) {
  std::string why = "Not formatted: a description with an ERROR keeps its layout";
  for (const qel2json::Diagnostic& d : r.diagnostics()) {
    if (d.severity < qel2json::Severity::Error) continue;
    why += " (";
    if (d.line > 0) why += "line " + std::to_string(d.line) + ": ";
    why.append(qel2json::severity_name(d.severity)).append(": ").append(d.message).append(")");
    break;
  }
  return why;
}

}  // namespace

Reply FormattingOf(const Analysis& a, qel2json::Translator& translator, Encoding encoding) {
  const std::string& text = a.text();
  qel2json::Result r = translator.format(text, "document");
  std::optional<std::string_view> formatted = r.document();
  if (!r.ok() || !formatted) return {nullptr, Refusal(r)};
  json edits = json::array();
  if (*formatted != text) {
    Position end = a.lines().PositionOf(text.size(), encoding);
    edits.push_back({{"range", RangeJson(Position{}, end)}, {"newText", std::string(*formatted)}});
  }
  return edits;
}

}  // namespace lsp
