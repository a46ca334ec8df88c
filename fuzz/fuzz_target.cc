// The whole translator as a libFuzzer target, through the C interface: one
// translator takes every input in turn, as a long-lived service would, and
// each result must hold together.  The input's first byte chooses what is
// recorded beside the document (its bits are the options' bits); the rest
// is the description.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "qel2json.h"
#include "support/coordinates.h"

namespace {

// Fuzzed descriptions can nest deeply, and the indentation of their
// documents grows with the depth.
constexpr size_t kDocumentLimit = size_t(256) << 20;

constexpr unsigned kOptions = QEL2JSON_RECORD_TOKENS | QEL2JSON_RECORD_SPANS | QEL2JSON_NO_DOCUMENT;

void Require(bool promise) {
  if (!promise) abort();
}

// A document exactly when the translation was complete; one diagnostic
// per line of the text; status 1 when an ERROR or DEADLY line was given;
// each diagnostic's bytes in the input, where its line and column say; a
// "Parsing resumed here" for each "Syntax error", naming it.
void CheckDiagnostics(const qel2json_result* r, std::string_view input, unsigned options) {
  size_t size = 0;
  bool made = qel2json_result_complete(r) && !(options & QEL2JSON_NO_DOCUMENT);
  Require((qel2json_result_document(r, &size) != nullptr) == made);
  const char* text = qel2json_result_diagnostics_text(r, &size);
  size_t lines = 0;
  for (size_t i = 0; i < size; ++i) lines += text[i] == '\n';
  Require(lines == qel2json_result_diagnostic_count(r));
  bool error = false;
  size_t open = QEL2JSON_NO_RELATED;
  for (size_t i = 0; const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r, i); ++i) {
    error |= d->severity >= QEL2JSON_SEVERITY_ERROR;
    Require(strlen(d->text) + 1 <= size);
    Require(PlaceFault(input, *d).empty());
    Require(d->related == (d->code == QEL2JSON_CODE_PARSING_RESUMED ? open : QEL2JSON_NO_RELATED));
    if (d->code == QEL2JSON_CODE_PARSING_RESUMED) open = QEL2JSON_NO_RELATED;
    if (d->code == QEL2JSON_CODE_SYNTAX_ERROR) open = i;
  }
  Require(error == (qel2json_result_status(r) == 1));
}

// Tokens in the order of the text, none overlapping the next, each where
// its line and column say.
void CheckTokens(const qel2json_result* r, std::string_view input) {
  size_t end = 0;
  for (size_t i = 0; const qel2json_token* t = qel2json_result_token_at(r, i); ++i) {
    Require(t->offset >= end);
    Require(PlaceFault(input, *t).empty());
    end = t->offset + t->length;
  }
}

// Spans inside the input, each inside the span it belongs to, which comes
// after it; names inside their spans.
void CheckSpans(const qel2json_result* r, std::string_view input) {
  size_t count = qel2json_result_span_count(r);
  for (size_t i = 0; i < count; ++i) {
    const qel2json_span* s = qel2json_result_span_at(r, i);
    Require(s->begin <= s->name_begin && s->name_begin <= s->name_end && s->name_end <= s->end);
    Require(s->end <= input.size());
    Require(strcmp(s->kind, qel2json_kind_name(s->code)) == 0);
    if (s->parent == QEL2JSON_NO_PARENT) continue;
    Require(s->parent > i && s->parent < count);
    const qel2json_span* p = qel2json_result_span_at(r, s->parent);
    Require(p->begin <= s->begin && s->end <= p->end);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qel2json_translator* translator = [] {
    qel2json_translator* t = qel2json_translator_new();
    qel2json_translator_set_max_document_size(t, kDocumentLimit);
    return t;
  }();
  unsigned options = size > 0 ? data[0] & kOptions : 0;
  std::string_view input(reinterpret_cast<const char*>(data) + (size > 0), size - (size > 0));
  Require(qel2json_translator_set_options(translator, options) == 0);
  qel2json_result* r = qel2json_translate(translator, input.data(), input.size(), "fuzz");
  Require(r != nullptr);
  CheckDiagnostics(r, input, options);
  CheckTokens(r, input);
  CheckSpans(r, input);
  // Records only when asked for; a translation that ran to its end has at
  // least the end of the text.
  bool recorded = (options & (QEL2JSON_RECORD_TOKENS | QEL2JSON_RECORD_SPANS)) != 0;
  size_t tokens = qel2json_result_token_count(r);
  Require(recorded ? tokens > 0 || !qel2json_result_complete(r) : tokens == 0);
  qel2json_result_free(r);
  return 0;
}
