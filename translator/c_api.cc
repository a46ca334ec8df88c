// The C interface (qel2json.h): a thin layer over Translation that holds
// results, adapts the caller's functions, and lets no exception through.
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "qel2json.h"
#include "scanner/tokens.h"
#include "translator/c_handles.h"
#include "tree/rule_table.h"

using namespace qel2json::detail;

namespace {

// The interface's numbers are the library's own.
static_assert(int(Severity::Note) == QEL2JSON_SEVERITY_NOTE && int(Severity::Warning) == QEL2JSON_SEVERITY_WARNING &&
              int(Severity::Error) == QEL2JSON_SEVERITY_ERROR && int(Severity::Deadly) == QEL2JSON_SEVERITY_DEADLY);
static_assert(int(Code::NotAToken) == QEL2JSON_CODE_NOT_A_TOKEN && int(Code::SyntaxError) == QEL2JSON_CODE_SYNTAX_ERROR &&
              int(Code::WrongValue) == QEL2JSON_CODE_WRONG_VALUE && std::size(kMessageKinds) == QEL2JSON_CODE_WRONG_VALUE);
static_assert(int(K_Matrix) == int(QEL2JSON_KIND_MATRIX) && int(K_Root) == int(QEL2JSON_KIND_ROOT) && kKindCount == QEL2JSON_KIND_ROOT + 1);
static_assert(kNoRelated == QEL2JSON_NO_RELATED && kNoParent == QEL2JSON_NO_PARENT);

constexpr unsigned kKnownOptions =
    QEL2JSON_RECORD_TOKENS | QEL2JSON_RECORD_SPANS | QEL2JSON_NO_DOCUMENT | QEL2JSON_REPAIR_WORDS;

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

// The kinds' names as NUL-terminated strings.
constexpr size_t kLongestKind = 40;
constexpr auto kKindNameStrings = [] {
  std::array<std::array<char, kLongestKind>, kKindCount> names{};
  for (size_t k = 0; k < names.size(); ++k)
    for (size_t i = 0; i < kKindNames[k].size(); ++i) names[k][i] = kKindNames[k][i];
  return names;
}();

constexpr auto kSeverityNameStrings = [] {
  std::array<std::array<char, 8>, kSeverityNames.size()> names{};
  for (size_t s = 0; s < names.size(); ++s)
    for (size_t i = 0; i < kSeverityNames[s].size(); ++i) names[s][i] = kSeverityNames[s][i];
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

// A diagnostic as the interface hands it out, with its strings where the
// caller keeps them.
qel2json_diagnostic RecordOf(const Diagnostic& d, const char* file, const char* message, const char* text,
                             const char* const* expected, size_t expectedCount) {
  return {file,
          d.place.position.line,
          d.place.position.col,
          qel2json_severity(d.severity),
          message,
          text,
          expectedCount ? expected : nullptr,
          expectedCount,
          qel2json_code(d.code),
          d.place.offset,
          d.place.length,
          d.related,
          d.suggestion ? kTerminalName[size_t(d.suggestion)] : nullptr};
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
// records whose strings lie in one store of NUL-terminated strings.  The
// records are made once the translation is over, when the store no longer
// moves.
struct qel2json_result final : DiagnosticSink {
  struct Entry {
    Diagnostic diagnostic;  // its views are not kept
    size_t message;         // in strings
    size_t text;            // in strings
    size_t expected;        // first in expectedNames
    size_t expectedCount;
  };

  void Add(const Diagnostic& d) override {
    std::string_view line = d.line.substr(0, d.line.size() - 1);
    Entry e = {d, strings.size(), 0, expectedNames.size(), 0};
    e.diagnostic.file = e.diagnostic.message = e.diagnostic.line = {};
    strings.append(d.message).push_back('\0');
    e.text = strings.size();
    strings.append(line).push_back('\0');
    const char* names[kTokenCount];
    e.expectedCount = NamesOf(d.expected, names);
    expectedNames.insert(expectedNames.end(), names, names + e.expectedCount);
    entries.push_back(e);
    text.append(d.line);
  }

  void MakeRecords(Recording* recording, bool spans) {
    diagnostics.reserve(entries.size());
    for (const Entry& e : entries)
      diagnostics.push_back(RecordOf(e.diagnostic, file.c_str(), strings.c_str() + e.message,
                                     strings.c_str() + e.text, expectedNames.data() + e.expected,
                                     e.expectedCount));
    if (!recording) return;
    // The spans are taken first.
    if (spans)
      for (const RecordedSpan& s : recording->TakeSpans())
        this->spans.push_back({kKindNameStrings[size_t(s.kind)].data(), s.begin, s.end, s.nameBegin, s.nameEnd,
                               s.parent, qel2json_kind(s.kind)});
    for (const RecordedToken& t : recording->TakeTokens())
      tokens.push_back({t.code, qel2json_token_kind(qel2json_terminal_kind(t.code)), qel2json_terminal_name(t.code),
                        t.offset, t.length, t.position.line, t.position.col});
  }

  int status = 1;
  bool complete = false;
  bool holdsDocument = false;
  std::string file;
  HeldDocument document;
  std::string text;
  std::string strings;
  std::vector<Entry> entries;
  std::vector<const char*> expectedNames;
  std::vector<qel2json_diagnostic> diagnostics;
  std::vector<qel2json_token> tokens;
  std::vector<qel2json_span> spans;
};

namespace {

// Reads as read(2) does; a value it may not return is a failure.
class ReaderFunction final : public TextReader {
 public:
  ReaderFunction(qel2json_read_fn read, void* context) : read_(read), context_(context) {}
  long Read(char* into, size_t size) override {
    errno = 0;
    long got = read_(context_, into, size);
    if (got == -1 && errno == 0) errno = EIO;
    if (got < -1 || (got > 0 && size_t(got) > size)) {
      errno = EIO;
      return -1;
    }
    return got;
  }

 private:
  qel2json_read_fn read_;
  void* context_;
};

// Writes as write(2) does: calls again for what a short write left, and
// after EINTR.
class WriterFunction final : public DocumentSink {
 public:
  WriterFunction(qel2json_write_fn write, void* context) : write_(write), context_(context) {}
  int Write(const char* bytes, size_t n) override {
    while (n > 0) {
      errno = 0;
      long taken = write_(context_, bytes, n);
      if (taken == -1 && errno == EINTR) continue;
      if (taken == -1) return errno ? errno : EIO;
      if (taken <= 0 || size_t(taken) > n) return EIO;
      bytes += taken;
      n -= size_t(taken);
    }
    return 0;
  }

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
    qel2json_diagnostic out =
        RecordOf(d, file_.c_str(), strings_.c_str(), strings_.c_str() + d.message.size() + 1, names, count);
    report_(context_, &out);
  }

 private:
  qel2json_report_fn report_;
  void* context_;
  std::string strings_;
  std::string file_;
};

// What a call of the interface does with its text: translate it into a
// document, or write it anew as a description.
enum class Work { Translate, Format };

qel2json_result* Run(Work work, qel2json_translator* translator, TextReader& input, const char* fileName,
                     DocumentSink* document, DiagnosticSink* diagnostics) {
  if (!translator) return nullptr;
  qel2json_result* result = new (std::nothrow) qel2json_result;
  if (!result) return nullptr;
  try {
    Translation& translation = *translator->translation;
    result->file = fileName ? fileName : "stdin";
    DocumentSink& text = document ? *document : result->document;
    DiagnosticSink& reports = diagnostics ? *diagnostics : *result;
    Translation::Outcome o = work == Work::Translate ? translation.Translate(input, result->file, text, reports)
                                                     : translation.Format(input, result->file, text, reports);
    result->status = o.status;
    result->complete = o.complete;
    const Translation::Options& options = translation.options();
    result->holdsDocument = o.complete && !document && (work != Work::Translate || !options.noDocument);
    bool recorded = work == Work::Translate && (options.recordTokens || options.recordSpans);
    result->MakeRecords(recorded ? &translation.recording() : nullptr, options.recordSpans);
  } catch (...) {
    delete result;
    return nullptr;
  }
  return result;
}

// The streams of release 1.1, for programs built against its header: no
// size member, and a write function that returns 0 or an errno value.
struct StreamOf1_1 {
  qel2json_read_fn read;
  void* read_context;
  int (*write)(void* context, const char* bytes, size_t size);
  void* write_context;
  qel2json_report_fn report;
  void* report_context;
};

class WriterFunctionOf1_1 final : public DocumentSink {
 public:
  explicit WriterFunctionOf1_1(const StreamOf1_1& s) : stream_(&s) {}
  int Write(const char* bytes, size_t n) override { return stream_->write(stream_->write_context, bytes, n); }

 private:
  const StreamOf1_1* stream_;
};

qel2json_result* RunStream(Work work, qel2json_translator* translator, qel2json_read_fn read, void* readContext,
                           DocumentSink* writer, qel2json_report_fn report, void* reportContext, const char* fileName) {
  if (!read) return nullptr;
  ReaderFunction reader(read, readContext);
  ReportFunction reporter(report, reportContext);
  return Run(work, translator, reader, fileName, writer, report ? &reporter : nullptr);
}

qel2json_result* RunStream(Work work, qel2json_translator* translator, const qel2json_stream* stream,
                           const char* fileName) {
  if (!stream || stream->size < sizeof(qel2json_stream)) return nullptr;
  WriterFunction writer(stream->write, stream->write_context);
  return RunStream(work, translator, stream->read, stream->read_context, stream->write ? &writer : nullptr,
                   stream->report, stream->report_context, fileName);
}

// The members of a record that release 1.1 knew of: those before `code`.
template <typename Record, size_t Known>
int CopyKnownMembers(const Record* record, Record* out) {
  if (!record || !out) return -1;
  memcpy(static_cast<void*>(out), record, Known);
  return 0;
}

template <typename Record>
const Record* At(const qel2json_result* result, const std::vector<Record> qel2json_result::*records, size_t i) {
  return result && i < (result->*records).size() ? &(result->*records)[i] : nullptr;
}

}  // namespace

extern "C" {

const char* qel2json_version(void) { return QEL2JSON_VERSION_STRING; }

int qel2json_version_number(void) { return QEL2JSON_VERSION_NUMBER; }

qel2json_translator* qel2json_translator_new(void) {
  try {
    return new qel2json_translator;
  } catch (...) {
    return nullptr;
  }
}

void qel2json_translator_free(qel2json_translator* translator) { delete translator; }

void qel2json_translator_set_max_document_size(qel2json_translator* translator, size_t bytes) {
  if (translator) translator->translation->SetDocumentLimit(bytes);
}

int qel2json_translator_set_options(qel2json_translator* translator, unsigned options) {
  if (!translator || (options & ~kKnownOptions)) return -1;
  translator->translation->SetOptions({(options & QEL2JSON_RECORD_TOKENS) != 0, (options & QEL2JSON_RECORD_SPANS) != 0,
                                       (options & QEL2JSON_NO_DOCUMENT) != 0, (options & QEL2JSON_REPAIR_WORDS) != 0});
  return 0;
}

int qel2json_translator_trim(qel2json_translator* translator) {
  if (!translator) return -1;
  try {
    translator->translation = translator->translation->Renewed();
  } catch (...) {
    return -1;
  }
  return 0;
}

void qel2json_translator_set_max_input_size(qel2json_translator* translator, size_t bytes) {
  if (translator) translator->translation->SetInputLimit(bytes);
}

qel2json_result* qel2json_translate(qel2json_translator* translator, const char* input, size_t size,
                                    const char* file_name) {
  MemoryReader reader(input, size);
  return Run(Work::Translate, translator, reader, file_name, nullptr, nullptr);
}

qel2json_result* qel2json_format(qel2json_translator* translator, const char* input, size_t size,
                                 const char* file_name) {
  MemoryReader reader(input, size);
  return Run(Work::Format, translator, reader, file_name, nullptr, nullptr);
}

qel2json_result* qel2json_write_description(qel2json_translator* translator, const char* json, size_t size,
                                           const char* file_name) {
  if (!translator || (!json && size)) return nullptr;
  qel2json_result* result = new (std::nothrow) qel2json_result;
  if (!result) return nullptr;
  try {
    result->file = file_name ? file_name : "stdin";
    Translation::Outcome o =
        translator->translation->WriteDescription(json ? json : "", size, result->file, result->document, *result);
    result->status = o.status;
    result->complete = result->holdsDocument = o.complete;
    result->MakeRecords(nullptr, false);
  } catch (...) {
    delete result;
    return nullptr;
  }
  return result;
}

qel2json_result* qel2json_format_stream(qel2json_translator* translator, const qel2json_stream* stream,
                                        const char* file_name) {
  return RunStream(Work::Format, translator, stream, file_name);
}

// In the shared library, programs built against release 1.1 bind the
// stream translation of version node QEL2JSON_1 and those built since
// that of QEL2JSON_1.2; the static library has only the latter.
#if defined(QEL2JSON_VERSIONED_SYMBOLS)
#define QEL2JSON_TRANSLATE_STREAM qel2json_translate_stream_of_1_2
__attribute__((symver("qel2json_translate_stream@@QEL2JSON_1.2"))) QEL2JSON_API
#else
#define QEL2JSON_TRANSLATE_STREAM qel2json_translate_stream
#endif
qel2json_result* QEL2JSON_TRANSLATE_STREAM(qel2json_translator* translator, const qel2json_stream* stream,
                                           const char* file_name) {
  return RunStream(Work::Translate, translator, stream, file_name);
}

#if defined(QEL2JSON_VERSIONED_SYMBOLS)
__attribute__((symver("qel2json_translate_stream@QEL2JSON_1"))) QEL2JSON_API qel2json_result*
qel2json_translate_stream_of_1_1(qel2json_translator* translator, const void* streamOf1_1, const char* file_name) {
  if (!streamOf1_1) return nullptr;
  const StreamOf1_1* stream = static_cast<const StreamOf1_1*>(streamOf1_1);
  WriterFunctionOf1_1 writer(*stream);
  return RunStream(Work::Translate, translator, stream->read, stream->read_context, stream->write ? &writer : nullptr,
                   stream->report, stream->report_context, file_name);
}
#endif

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

size_t qel2json_result_diagnostic_count(const qel2json_result* result) {
  return result ? result->diagnostics.size() : 0;
}

const qel2json_diagnostic* qel2json_result_diagnostic_at(const qel2json_result* result, size_t i) {
  return At(result, &qel2json_result::diagnostics, i);
}

size_t qel2json_result_token_count(const qel2json_result* result) { return result ? result->tokens.size() : 0; }

const qel2json_token* qel2json_result_token_at(const qel2json_result* result, size_t i) {
  return At(result, &qel2json_result::tokens, i);
}

size_t qel2json_result_span_count(const qel2json_result* result) { return result ? result->spans.size() : 0; }

const qel2json_span* qel2json_result_span_at(const qel2json_result* result, size_t i) {
  return At(result, &qel2json_result::spans, i);
}

int qel2json_result_diagnostic(const qel2json_result* result, size_t i, qel2json_diagnostic* out) {
  return CopyKnownMembers<qel2json_diagnostic, offsetof(qel2json_diagnostic, code)>(
      qel2json_result_diagnostic_at(result, i), out);
}

int qel2json_result_token(const qel2json_result* result, size_t i, qel2json_token* out) {
  return CopyKnownMembers<qel2json_token, offsetof(qel2json_token, column) + sizeof(int)>(
      qel2json_result_token_at(result, i), out);
}

int qel2json_result_span(const qel2json_result* result, size_t i, qel2json_span* out) {
  return CopyKnownMembers<qel2json_span, offsetof(qel2json_span, code)>(qel2json_result_span_at(result, i), out);
}

void qel2json_result_free(qel2json_result* result) { delete result; }

int qel2json_terminal_count(void) { return kTokenCount; }

const char* qel2json_terminal_name(int code) {
  if (code == 0) return "comment";
  return code > 0 && code <= kTokenCount ? kTerminalName[size_t(code)] : nullptr;
}

int qel2json_terminal_kind(int code) {
  if (code == 0) return QEL2JSON_TOKEN_COMMENT;
  return code > 0 && code <= kTokenCount ? int(KindOf(code)) : -1;
}

const char* qel2json_severity_name(int severity) {
  return severity >= 0 && size_t(severity) < kSeverityNameStrings.size() ? kSeverityNameStrings[size_t(severity)].data()
                                                                          : nullptr;
}

int qel2json_kind_count(void) { return kKindCount; }

const char* qel2json_kind_name(int kind) {
  return kind >= 0 && kind < kKindCount ? kKindNameStrings[size_t(kind)].data() : nullptr;
}

}  // extern "C"
