#include "lsp/formatting.h"

#include <memory>
#include <new>
#include <string>

namespace lsp {

namespace {

using Formatted = std::unique_ptr<qel2json_result, decltype(&qel2json_result_free)>;

// Why a text was not formatted, in the command line's words: the first
// ERROR (or DEADLY, which ends a run without one) and its line.
std::string Refusal(const qel2json_result* r) {
  std::string why = "Not formatted: a description with an ERROR keeps its layout";
  for (size_t i = 0, n = qel2json_result_diagnostic_count(r); i < n; ++i) {
    const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r, i);
    if (d->severity < QEL2JSON_SEVERITY_ERROR) continue;
    std::string place = d->line > 0 ? "line " + std::to_string(d->line) + ": " : "";
    return why + " (" + place + qel2json_severity_name(d->severity) + ": " + d->message + ")";
  }
  return why;
}

}  // namespace

Reply FormattingOf(const Analysis& a, qel2json::Translator& translator, Encoding encoding) {
  const std::string& text = a.text();
  Formatted r(qel2json_format(translator.get(), text.data(), text.size(), "document"), qel2json_result_free);
  if (!r) throw std::bad_alloc();
  size_t size = 0;
  const char* bytes = qel2json_result_document(r.get(), &size);
  if (qel2json_result_status(r.get()) != 0 || !bytes) return {nullptr, Refusal(r.get())};
  json edits = json::array();
  std::string_view formatted(bytes, size);
  if (formatted != text) {
    Position end = a.lines().PositionOf(text.size(), encoding);
    edits.push_back({{"range", RangeJson(Position{}, end)}, {"newText", std::string(formatted)}});
  }
  return edits;
}

}  // namespace lsp
