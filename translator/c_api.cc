// The C interface (qel2json.h): a thin layer over Translation that holds
// results, adapts the caller's functions, and lets no exception through.
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "qel2json.h"
#include "scanner/tokens.h"
#include "translator/c_handles.h"
#include "tree/rule_table.h"

using namespace qel2json::detail;

namespace {

// How an expected terminal is named: by its text, or a literal class (and
// the end of text) by its name in words ("IntegerLiteral" is "integer
// literal").
constexpr size_t kLongestName = 24;
constexpr auto kTerminalNames = [] {
  std::array<std::array<char, kLongestName>, kTokenCount + 1> names{};
  for (const TokenSpelling& t : kTokens) {
    std::array<char, kLongestName>& out = names[size_t(t.code)];
    size_t k = 0;
    if (!t.text.empty()) {
      for (char c : t.text) out[k++] = c;
      continue;
    }
    for (size_t i = 0; i < t.name.size(); ++i) {
      char c = t.name[i];
      if (c >= 'A' && c <= 'Z') {
        if (i > 0) out[k++] = ' ';
        c = char(c - 'A' + 'a');
      }
      out[k++] = c;
    }
  }
  return names;
}();

constexpr auto kTerminalName = [] {
  std::array<const char*, kTokenCount + 1> names{};
  for (size_t code = 1; code < names.size(); ++code) names[code] = kTerminalNames[code].data();
  return names;
}();

qel2json_token_kind KindOf(int code) {
  switch (ClassOf(code)) {
    case TokenClass::EndOfText: return QEL2JSON_TOKEN_END_OF_TEXT;
    case TokenClass::Keyword: return QEL2JSON_TOKEN_KEYWORD;
    case TokenClass::Bracket: return QEL2JSON_TOKEN_BRACKET;
    case TokenClass::Integer: return QEL2JSON_TOKEN_INTEGER;
    case TokenClass::Real: return QEL2JSON_TOKEN_REAL;
    case TokenClass::String: return QEL2JSON_TOKEN_STRING;
  }
  return QEL2JSON_TOKEN_END_OF_TEXT;
}

// The names of the terminals in a set, in code order; returns their count.
size_t NamesOf(uint64_t expected, const char** names) {
  size_t n = 0;
  for (int code = 1; code <= kTokenCount; ++code)
    if (expected >> code & 1) names[n++] = kTerminalName[size_t(code)];
  return n;
}

// The document as the result holds it.  A small one grows on the heap,
// where a result costs no fresh pages; one that passes kHeapLimit moves into
// a mapping of its own, which the kernel moves as it grows and which goes
// back whole when the result is freed (the heap would keep a large block's
// pages for the next one).
class HeldDocument final : public DocumentSink {
 public:
  HeldDocument() : block_(pages_) {}
  HeldDocument(const HeldDocument&) = delete;
  HeldDocument& operator=(const HeldDocument&) = delete;
  ~HeldDocument() { free(heap_); }
  int Write(const char* bytes, size_t n) override {
    if (n > capacity_ - size_) Grow(size_ + n);
    memcpy(at_ + size_, bytes, n);
    size_ += n;
    return 0;
  }
  const char* data() const { return size_ ? at_ : ""; }
  size_t size() const { return size_; }

 private:
  static constexpr size_t kHeapLimit = size_t(1) << 20;

  void Grow(size_t needed) {
    if (needed > kHeapLimit) {
      block_.Reserve(needed);
      if (heap_) memcpy(block_.data(), heap_, size_);
      free(heap_);
      heap_ = nullptr;
      at_ = static_cast<char*>(block_.data());
      capacity_ = block_.capacity();
      return;
    }
    size_t capacity = capacity_ ? 2 * capacity_ : size_t(16) << 10;
    while (capacity < needed) capacity *= 2;
    char* grown = static_cast<char*>(realloc(heap_, capacity));
    if (!grown) throw OutOfMemory{};
    at_ = heap_ = grown;
    capacity_ = capacity;
  }

  char* heap_ = nullptr;
  PageSource pages_;
  GrowingBlock block_;
  char* at_ = nullptr;  // heap_ or the block's data
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace

// A result: the status, the document, and the diagnostics as text and as
// records whose strings lie in one store of NUL-terminated strings.
struct qel2json_result final : DiagnosticSink {
  struct Entry {
    int line;
    int column;
    Severity severity;
    size_t message;   // in strings
    size_t text;      // in strings
    size_t expected;  // first in expectedNames
    size_t expectedCount;
  };

  void Add(const Diagnostic& d) override {
    std::string_view line = d.line.substr(0, d.line.size() - 1);
    Entry e = {d.position.line, d.position.col, d.severity, strings.size(), 0, expectedNames.size(), 0};
    strings.append(d.message).push_back('\0');
    e.text = strings.size();
    strings.append(line).push_back('\0');
    const char* names[kTokenCount];
    e.expectedCount = NamesOf(d.expected, names);
    expectedNames.insert(expectedNames.end(), names, names + e.expectedCount);
    entries.push_back(e);
    text.append(d.line);
  }

  int status = 1;
  bool complete = false;
  std::vector<RecordedToken> tokens;
  std::vector<RecordedSpan> spans;
  bool holdsDocument = false;
  std::string file;
  HeldDocument document;
  std::string text;
  std::string strings;
  std::vector<Entry> entries;
  std::vector<const char*> expectedNames;
};

namespace {

class ReaderFunction final : public TextReader {
 public:
  ReaderFunction(qel2json_read_fn read, void* context) : read_(read), context_(context) {}
  long Read(char* into, size_t size) override { return read_(context_, into, size); }

 private:
  qel2json_read_fn read_;
  void* context_;
};

class WriterFunction final : public DocumentSink {
 public:
  WriterFunction(qel2json_write_fn write, void* context) : write_(write), context_(context) {}
  int Write(const char* bytes, size_t n) override { return write_(context_, bytes, n); }

 private:
  qel2json_write_fn write_;
  void* context_;
};

// Hands every diagnostic on at once, with strings that live for the call.
class ReportFunction final : public DiagnosticSink {
 public:
  ReportFunction(qel2json_report_fn report, void* context) : report_(report), context_(context) {}
  void Add(const Diagnostic& d) override {
    strings_.assign(d.message).push_back('\0');
    strings_.append(d.line.substr(0, d.line.size() - 1)).push_back('\0');
    file_.assign(d.file);
    const char* names[kTokenCount];
    size_t count = NamesOf(d.expected, names);
    qel2json_diagnostic out = {file_.c_str(), d.position.line, d.position.col, qel2json_severity(d.severity),
                               strings_.c_str(), strings_.c_str() + d.message.size() + 1,
                               count ? names : nullptr, count};
    report_(context_, &out);
  }

 private:
  qel2json_report_fn report_;
  void* context_;
  std::string strings_;
  std::string file_;
};

qel2json_result* Translate(qel2json_translator* translator, TextReader& input, const char* fileName,
                           DocumentSink* document, DiagnosticSink* diagnostics) {
  if (!translator) return nullptr;
  qel2json_result* result = new (std::nothrow) qel2json_result;
  if (!result) return nullptr;
  try {
    result->file = fileName ? fileName : "stdin";
    Translation::Outcome o =
        translator->translation.Translate(input, result->file, document ? *document : result->document,
                                          diagnostics ? *diagnostics : *result);
    result->status = o.status;
    result->complete = o.complete;
    const Translation::Options& options = translator->translation.options();
    result->holdsDocument = o.complete && !document && !options.noDocument;
    if (options.recordSpans) result->spans = translator->translation.recording().TakeSpans();
    if (options.recordTokens || options.recordSpans) result->tokens = translator->translation.recording().TakeTokens();
  } catch (...) {
    delete result;
    return nullptr;
  }
  return result;
}

}  // namespace

extern "C" {

const char* qel2json_version(void) { return QEL2JSON_RELEASE; }

qel2json_translator* qel2json_translator_new(void) {
  try {
    return new qel2json_translator;
  } catch (...) {
    return nullptr;
  }
}

void qel2json_translator_free(qel2json_translator* translator) { delete translator; }

void qel2json_translator_set_max_document_size(qel2json_translator* translator, size_t bytes) {
  if (translator) translator->translation.SetDocumentLimit(bytes);
}

void qel2json_translator_set_max_input_size(qel2json_translator* translator, size_t bytes) {
  if (translator) translator->translation.SetInputLimit(bytes);
}

qel2json_result* qel2json_translate(qel2json_translator* translator, const char* input, size_t size,
                                    const char* file_name) {
  MemoryReader reader(input, size);
  return Translate(translator, reader, file_name, nullptr, nullptr);
}

qel2json_result* qel2json_translate_stream(qel2json_translator* translator, const qel2json_stream* stream,
                                           const char* file_name) {
  if (!stream || !stream->read) return nullptr;
  ReaderFunction reader(stream->read, stream->read_context);
  WriterFunction writer(stream->write, stream->write_context);
  ReportFunction reporter(stream->report, stream->report_context);
  return Translate(translator, reader, file_name, stream->write ? &writer : nullptr,
                   stream->report ? &reporter : nullptr);
}

int qel2json_result_status(const qel2json_result* result) { return result ? result->status : 1; }

int qel2json_result_complete(const qel2json_result* result) { return result && result->complete; }

const char* qel2json_result_document(const qel2json_result* result, size_t* size) {
  bool held = result && result->holdsDocument;
  if (size) *size = held ? result->document.size() : 0;
  return held ? result->document.data() : nullptr;
}

const char* qel2json_result_diagnostics_text(const qel2json_result* result, size_t* size) {
  if (size) *size = result ? result->text.size() : 0;
  return result ? result->text.c_str() : "";
}

size_t qel2json_result_diagnostic_count(const qel2json_result* result) { return result ? result->entries.size() : 0; }

int qel2json_result_diagnostic(const qel2json_result* result, size_t i, qel2json_diagnostic* out) {
  if (!result || !out || i >= result->entries.size()) return -1;
  const qel2json_result::Entry& e = result->entries[i];
  const char* strings = result->strings.c_str();
  *out = {result->file.c_str(), e.line, e.column, qel2json_severity(e.severity), strings + e.message,
          strings + e.text, e.expectedCount ? result->expectedNames.data() + e.expected : nullptr, e.expectedCount};
  return 0;
}

void qel2json_translator_set_options(qel2json_translator* translator, unsigned options) {
  if (!translator) return;
  translator->translation.SetOptions({(options & QEL2JSON_RECORD_TOKENS) != 0, (options & QEL2JSON_RECORD_SPANS) != 0,
                                      (options & QEL2JSON_NO_DOCUMENT) != 0});
}

int qel2json_terminal_count(void) { return kTokenCount; }

const char* qel2json_terminal_name(int code) {
  if (code == 0) return "comment";
  return code > 0 && code <= kTokenCount ? kTerminalName[size_t(code)] : nullptr;
}

int qel2json_terminal_kind(int code) {
  if (code == 0) return QEL2JSON_TOKEN_COMMENT;
  return code > 0 && code <= kTokenCount ? int(KindOf(code)) : -1;
}

size_t qel2json_result_token_count(const qel2json_result* result) { return result ? result->tokens.size() : 0; }

int qel2json_result_token(const qel2json_result* result, size_t i, qel2json_token* out) {
  if (!result || !out || i >= result->tokens.size()) return -1;
  const RecordedToken& t = result->tokens[i];
  *out = {t.code, qel2json_token_kind(qel2json_terminal_kind(t.code)), qel2json_terminal_name(t.code), t.offset,
          t.length, t.position.line, t.position.col};
  return 0;
}

size_t qel2json_result_span_count(const qel2json_result* result) { return result ? result->spans.size() : 0; }

int qel2json_result_span(const qel2json_result* result, size_t i, qel2json_span* out) {
  if (!result || !out || i >= result->spans.size()) return -1;
  const RecordedSpan& s = result->spans[i];
  *out = {kKindNames[size_t(s.kind)].data(), s.begin, s.end, s.nameBegin, s.nameEnd, s.parent};
  return 0;
}

void qel2json_result_free(qel2json_result* result) { delete result; }

}  // extern "C"
