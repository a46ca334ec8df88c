// Writing descriptions from documents as a libFuzzer target: damaged
// documents never crash or hang the writer.  Either it writes a description
// that translates back to the document (the same lexemes; blanks aside,
// integers by their values), or it reports the place that does not fit and
// writes nothing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "qel2json.h"

namespace {

void Require(bool promise) {
  if (!promise) abort();
}

// The lexemes of a JSON text: strings whole, other runs of bytes between
// blanks and marks, and the marks.  Integers stand as their values.
std::vector<std::string> Lexemes(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else if (c == '"') {
      size_t j = i + 1;
      while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? (text.substr(j + 1, 2) == "\r\n" ? 3 : 2) : 1;
      out.emplace_back(text.substr(i, j + 1 - i));
      i = j + 1;
    } else if (std::string_view("{}[]:,").find(c) != std::string_view::npos) {
      out.emplace_back(1, c);
      ++i;
    } else {
      size_t j = i;
      while (j < text.size() && std::string_view(" \t\n\r{}[]:,\"").find(text[j]) == std::string_view::npos) ++j;
      std::string bare(text.substr(i, j - i));
      char* end = nullptr;
      long long value = strtoll(bare.c_str(), &end, 10);
      bool integer = !bare.empty() && *end == '\0' && bare.find_first_not_of("-0123456789") == std::string::npos;
      out.push_back(integer ? std::to_string(value) : bare);
      i = j;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qel2json_translator* translator = [] {
    qel2json_translator* t = qel2json_translator_new();
    qel2json_translator_set_max_document_size(t, size_t(64) << 20);
    return t;
  }();
  std::string_view json(reinterpret_cast<const char*>(data), size);
  qel2json_result* r = qel2json_write_description(translator, json.data(), json.size(), "fuzz.json");
  Require(r != nullptr);
  size_t length = 0;
  const char* description = qel2json_result_document(r, &length);
  if (qel2json_result_status(r) != 0) {
    Require(description == nullptr && qel2json_result_diagnostic_count(r) == 1);
  } else {
    Require(description != nullptr);
    qel2json_result* back = qel2json_translate(translator, description, length, "written.qel");
    size_t documentLength = 0;
    const char* document = qel2json_result_document(back, &documentLength);
    Require(document != nullptr);
    Require(Lexemes({document, documentLength}) == Lexemes(json));
    qel2json_result_free(back);
  }
  qel2json_result_free(r);
  return 0;
}
