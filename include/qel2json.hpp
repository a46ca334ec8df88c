// qel2json for C++ (C++17 and later): the C interface of qel2json.h wrapped
// in classes that own what they hold.  Header-only: the library's ABI stays
// the C one.
//
// Threads and ownership are as qel2json.h says: a Translator is used by one
// thread at a time, and a Result stands on its own.  What a Result hands
// out either owns its data (diagnostics, tokens, spans) or is a view that
// may only be taken from a Result that lives on (the document and the
// diagnostics text: asking a temporary Result for them does not compile).
#pragma once

#include <cerrno>
#include <cstddef>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "qel2json.h"

namespace qel2json {

inline std::string_view version() { return qel2json_version(); }
// major * 10000 + minor * 100 + patch, as QEL2JSON_VERSION_NUMBER.
inline int version_number() { return qel2json_version_number(); }

enum class Severity {
  Note = QEL2JSON_SEVERITY_NOTE,
  Warning = QEL2JSON_SEVERITY_WARNING,
  Error = QEL2JSON_SEVERITY_ERROR,
  Deadly = QEL2JSON_SEVERITY_DEADLY
};

// "NOTE", "WARNING", "ERROR" or "DEADLY".
inline std::string_view severity_name(Severity severity) {
  const char* name = qel2json_severity_name(int(severity));
  return name ? name : std::string_view();
}

// One diagnostic, owning its strings: it may be kept as long as needed.
struct Diagnostic {
  std::string file;
  int line = 0;    // from 1; 0 with column 0 when it has no place
  int column = 0;  // bytes, tabs moving to columns 1, 9, 17, ...
  Severity severity = Severity::Note;
  qel2json_code code = QEL2JSON_CODE_SYNTAX_ERROR;  // what it says (the codes of qel2json.h)
  std::string message;                              // "Syntax error"
  std::string text;                                 // the line as the command line prints it, without its line feed
  std::vector<std::string> expected;                // for a syntax error: what could have come there
  size_t offset = 0;                                // the bytes of the input it points at
  size_t length = 0;
  std::optional<size_t> related;                    // for "Parsing resumed here": its "Syntax error"
  std::string_view suggestion;                      // for an unknown keyword: the keyword it resembles (constant)

  static Diagnostic from(const qel2json_diagnostic& d) {
    Diagnostic out;
    out.file = d.file;
    out.line = d.line;
    out.column = d.column;
    out.severity = Severity(d.severity);
    out.code = d.code;
    out.message = d.message;
    out.text = d.text;
    out.expected.assign(d.expected, d.expected + d.expected_count);
    out.offset = d.offset;
    out.length = d.length;
    if (d.related != QEL2JSON_NO_RELATED) out.related = d.related;
    if (d.suggestion) out.suggestion = d.suggestion;
    return out;
  }
};

// A token or comment as QEL2JSON_RECORD_TOKENS records it (see
// qel2json_token).  Its name is a constant string.
struct Token {
  int code = 0;  // 0: a comment
  qel2json_token_kind kind = QEL2JSON_TOKEN_END_OF_TEXT;
  std::string_view name;
  size_t offset = 0;
  size_t length = 0;
  int line = 0;
  int column = 0;

  static Token from(const qel2json_token& t) { return {t.code, t.kind, t.name, t.offset, t.length, t.line, t.column}; }
};

// A node of the tree as QEL2JSON_RECORD_SPANS records it (see
// qel2json_span).  Its kind's name is a constant string.
struct Span {
  std::string_view kind;
  size_t begin = 0;
  size_t end = 0;
  size_t name_begin = 0;
  size_t name_end = 0;
  size_t parent = QEL2JSON_NO_PARENT;
  qel2json_kind code = QEL2JSON_KIND_ROOT;

  static Span from(const qel2json_span& s) {
    return {s.kind, s.begin, s.end, s.name_begin, s.name_end, s.parent, s.code};
  }
};

// The token table: terminal codes 1 to terminal_count().
inline int terminal_count() { return qel2json_terminal_count(); }
inline std::string_view terminal_name(int code) {
  const char* name = qel2json_terminal_name(code);
  return name ? name : std::string_view();
}
// A terminal's kind, or nothing for a code out of range.
inline std::optional<qel2json_token_kind> terminal_kind(int code) {
  int kind = qel2json_terminal_kind(code);
  if (kind < 0) return std::nullopt;
  return qel2json_token_kind(kind);
}

// The kinds of the tree's nodes: 0 to kind_count() - 1.
inline int kind_count() { return qel2json_kind_count(); }
inline std::string_view kind_name(qel2json_kind kind) {
  const char* name = qel2json_kind_name(int(kind));
  return name ? name : std::string_view();
}

// What translations do beyond the command line's work (see
// qel2json_translator_set_options); combine with |.
enum class Options : unsigned {
  None = 0,
  RecordTokens = QEL2JSON_RECORD_TOKENS,
  RecordSpans = QEL2JSON_RECORD_SPANS,
  NoDocument = QEL2JSON_NO_DOCUMENT,
  RepairWords = QEL2JSON_REPAIR_WORDS
};
constexpr Options operator|(Options a, Options b) { return Options(unsigned(a) | unsigned(b)); }
constexpr Options operator&(Options a, Options b) { return Options(unsigned(a) & unsigned(b)); }

class [[nodiscard]] Result {
 public:
  // The command line's exit status: 0, or 1.
  [[nodiscard]] int status() const { return qel2json_result_status(get()); }
  [[nodiscard]] bool ok() const { return status() == 0; }
  // Whether the whole document was made.
  [[nodiscard]] bool complete() const { return qel2json_result_complete(get()) != 0; }

  // The document, or nothing where the command line writes none (or it
  // went to a write function).  A view into this Result.
  [[nodiscard]] std::optional<std::string_view> document() const& {
    size_t size = 0;
    const char* bytes = qel2json_result_document(get(), &size);
    if (!bytes) return std::nullopt;
    return std::string_view(bytes, size);
  }
  std::optional<std::string_view> document() const&& = delete;

  // What the command line writes on standard error.  A view into this
  // Result.
  [[nodiscard]] std::string_view diagnostics_text() const& {
    size_t size = 0;
    const char* text = qel2json_result_diagnostics_text(get(), &size);
    return {text, size};
  }
  std::string_view diagnostics_text() const&& = delete;

  [[nodiscard]] std::vector<Diagnostic> diagnostics() const {
    return Records<Diagnostic>(qel2json_result_diagnostic_count, qel2json_result_diagnostic_at);
  }
  // What the translator's options asked to record.
  [[nodiscard]] std::vector<Token> tokens() const {
    return Records<Token>(qel2json_result_token_count, qel2json_result_token_at);
  }
  [[nodiscard]] std::vector<Span> spans() const {
    return Records<Span>(qel2json_result_span_count, qel2json_result_span_at);
  }

  [[nodiscard]] const qel2json_result* get() const { return result_.get(); }

 private:
  friend class Translator;
  struct Free {
    void operator()(qel2json_result* r) const { qel2json_result_free(r); }
  };
  // Every record of one sort, read through the C interface's pair of
  // functions for it.
  template <typename T, typename C>
  std::vector<T> Records(size_t (*count)(const qel2json_result*), const C* (*at)(const qel2json_result*, size_t)) const {
    std::vector<T> all;
    size_t n = count(get());
    all.reserve(n);
    for (size_t i = 0; i < n; ++i) all.push_back(T::from(*at(get(), i)));
    return all;
  }
  explicit Result(qel2json_result* r) : result_(r) {
    if (!r) throw std::bad_alloc();
  }
  std::unique_ptr<qel2json_result, Free> result_;
};

class Translator {
 public:
  // Throws std::bad_alloc when there is no memory for it.
  Translator() : translator_(qel2json_translator_new()) {
    if (!translator_) throw std::bad_alloc();
  }

  // 0: no bound (see qel2json_translator_set_max_document_size).
  void set_max_document_size(size_t bytes) { qel2json_translator_set_max_document_size(get(), bytes); }
  // 0: no bound (see qel2json_translator_set_max_input_size).
  void set_max_input_size(size_t bytes) { qel2json_translator_set_max_input_size(get(), bytes); }

  // Throws std::invalid_argument for options this library does not know.
  void set_options(Options options) {
    if (qel2json_translator_set_options(get(), unsigned(options)) != 0)
      throw std::invalid_argument("qel2json: options this library does not know");
  }

  // Gives back the memory of the largest translation so far; throws
  // std::bad_alloc when even a new translator's memory cannot be had.
  void trim() {
    if (qel2json_translator_trim(get()) != 0) throw std::bad_alloc();
  }

  [[nodiscard]] Result translate(std::string_view input, std::string_view file_name = "stdin") {
    return Held(qel2json_translate, input, file_name);
  }

  // Translates what read(char* buffer, size_t size) -> long delivers, and
  // writes the document through write(const char* bytes, size_t size) ->
  // long, both as read(2) and write(2) behave (see qel2json_stream); hands
  // each diagnostic to report(const Diagnostic&) as it is made.  write
  // and report may be omitted or nullptr: the Result then holds the
  // document or the diagnostics.  An exception thrown by one of them ends
  // the translation and reaches the caller as itself.
  template <typename Read, typename Write = std::nullptr_t, typename Report = std::nullptr_t>
  [[nodiscard]] Result translate_stream(Read&& read, std::string_view file_name, Write&& write = nullptr,
                                        Report&& report = nullptr) {
    return Streamed(qel2json_translate_stream, read, file_name, write, report);
  }

  // The description written anew in the canonical layout (see
  // qel2json_format): the Result's document is its text.  A description
  // with an ERROR gives status 1, its diagnostics and no text.
  [[nodiscard]] Result format(std::string_view input, std::string_view file_name = "stdin") {
    return Held(qel2json_format, input, file_name);
  }

  // The same for what read delivers, with write and report as
  // translate_stream takes them.
  template <typename Read, typename Write = std::nullptr_t, typename Report = std::nullptr_t>
  [[nodiscard]] Result format_stream(Read&& read, std::string_view file_name, Write&& write = nullptr,
                                     Report&& report = nullptr) {
    return Streamed(qel2json_format_stream, read, file_name, write, report);
  }

  // The description of a JSON document as this library writes it (see
  // qel2json_write_description): the Result's document is its text, or a
  // document of another shape gives status 1 and one diagnostic.
  [[nodiscard]] Result write_description(std::string_view json, std::string_view file_name = "stdin") {
    return Held(qel2json_write_description, json, file_name);
  }

  [[nodiscard]] qel2json_translator* get() const { return translator_.get(); }

 private:
  // Runs one of the functions of the C interface that take a text in
  // memory.
  Result Held(qel2json_result* (*run)(qel2json_translator*, const char*, size_t, const char*), std::string_view text,
              std::string_view file_name) {
    std::string name(file_name);
    return Result(run(get(), text.data(), text.size(), name.c_str()));
  }

  // Runs one of the stream functions of the C interface over the caller's
  // callables.
  template <typename Read, typename Write, typename Report>
  Result Streamed(qel2json_result* (*run)(qel2json_translator*, const qel2json_stream*, const char*), Read& read,
                  std::string_view file_name, Write& write, Report& report) {
    Calls<Read, Write, Report> calls{&read, &write, &report, nullptr};
    qel2json_stream stream = QEL2JSON_STREAM_INIT;
    stream.read = decltype(calls)::Read;
    stream.read_context = &calls;
    if constexpr (!std::is_null_pointer_v<Write>) {
      stream.write = decltype(calls)::Write;
      stream.write_context = &calls;
    }
    if constexpr (!std::is_null_pointer_v<Report>) {
      stream.report = decltype(calls)::Report;
      stream.report_context = &calls;
    }
    std::string name(file_name);
    qel2json_result* result = run(get(), &stream, name.c_str());
    if (calls.thrown) {
      qel2json_result_free(result);
      std::rethrow_exception(calls.thrown);
    }
    return Result(result);
  }

  // The caller's callables behind the C functions.  The first exception
  // one of them throws is kept; from then on every read and write fails,
  // which ends the translation, and no report is made.
  template <typename R, typename W, typename P>
  struct Calls {
    R* read;
    W* write;
    P* report;
    std::exception_ptr thrown;

    template <typename F>
    long Guarded(F&& f) {
      if (thrown) return Cancel();
      try {
        return f();
      } catch (...) {
        thrown = std::current_exception();
        return Cancel();
      }
    }
    static long Cancel() {
      errno = ECANCELED;
      return -1;
    }
    static long Read(void* c, char* buffer, size_t size) {
      Calls* calls = static_cast<Calls*>(c);
      return calls->Guarded([&] { return long((*calls->read)(buffer, size)); });
    }
    static long Write(void* c, const char* bytes, size_t size) {
      Calls* calls = static_cast<Calls*>(c);
      return calls->Guarded([&] { return long((*calls->write)(bytes, size)); });
    }
    static void Report(void* c, const qel2json_diagnostic* d) {
      Calls* calls = static_cast<Calls*>(c);
      calls->Guarded([&] {
        (*calls->report)(Diagnostic::from(*d));
        return 0L;
      });
    }
  };

  struct Free {
    void operator()(qel2json_translator* t) const { qel2json_translator_free(t); }
  };
  std::unique_ptr<qel2json_translator, Free> translator_;
};

}  // namespace qel2json
