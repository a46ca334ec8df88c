// The whole translator as a libFuzzer target, through the C interface: one
// translator takes every input in turn, as a long-lived service would, and
// each result must hold together.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "qel2json.h"

namespace {

// Fuzzed descriptions can nest deeply, and the indentation of their
// documents grows with the depth.
constexpr size_t kDocumentLimit = size_t(256) << 20;

// The promises of the interface: a document exactly when the translation
// was complete; one diagnostic per line of the text; status 1 when an
// ERROR or DEADLY line was given.
void Check(const qel2json_result* r) {
  size_t size = 0;
  const char* document = qel2json_result_document(r, &size);
  if ((document != nullptr) != (qel2json_result_complete(r) != 0)) abort();
  const char* text = qel2json_result_diagnostics_text(r, &size);
  size_t lines = 0;
  for (size_t i = 0; i < size; ++i) lines += text[i] == '\n';
  if (lines != qel2json_result_diagnostic_count(r)) abort();
  bool error = false;
  qel2json_diagnostic d;
  for (size_t i = 0; qel2json_result_diagnostic(r, i, &d) == 0; ++i) {
    error |= d.severity >= QEL2JSON_ERROR;
    if (strlen(d.text) + 1 > size) abort();
  }
  if (error != (qel2json_result_status(r) == 1)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qel2json_translator* translator = [] {
    qel2json_translator* t = qel2json_translator_new();
    qel2json_translator_set_max_document_size(t, kDocumentLimit);
    return t;
  }();
  qel2json_result* r = qel2json_translate(translator, reinterpret_cast<const char*>(data), size, "fuzz");
  if (!r) abort();
  Check(r);
  qel2json_result_free(r);
  return 0;
}
