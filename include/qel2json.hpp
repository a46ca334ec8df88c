// qel2json for C++: the C interface of qel2json.h wrapped in classes that
// own what they hold.  Header-only: the library's ABI stays the C one.
//
// Threads and ownership are as qel2json.h says: a Translator is used by one
// thread at a time, a Result stands on its own, and the views a Result
// gives live as long as it.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <string_view>
#include <utility>
#include <vector>

#include "qel2json.h"

namespace qel2json {

inline std::string_view version() { return qel2json_version(); }

enum class Severity { Note = QEL2JSON_NOTE, Warning = QEL2JSON_WARNING, Error = QEL2JSON_ERROR, Deadly = QEL2JSON_DEADLY };

struct Diagnostic {
  std::string_view file;
  int line = 0;    // from 1; 0 with column 0 when it has no place
  int column = 0;  // bytes, tabs moving to columns 1, 9, 17, ...
  Severity severity = Severity::Note;
  std::string_view message;                // "Syntax error"
  std::string_view text;                   // the line as the command line prints it, without its line feed
  std::vector<std::string_view> expected;  // for a syntax error: what could have come there

  static Diagnostic from(const qel2json_diagnostic& d) {
    return {d.file, d.line, d.column, Severity(d.severity), d.message, d.text,
            std::vector<std::string_view>(d.expected, d.expected + d.expected_count)};
  }
};

// A token or comment as QEL2JSON_RECORD_TOKENS records it (see qel2json_token).
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

// A node of the tree as QEL2JSON_RECORD_SPANS records it (see qel2json_span).
struct Span {
  std::string_view kind;
  size_t begin = 0;
  size_t end = 0;
  size_t name_begin = 0;
  size_t name_end = 0;
  size_t parent = QEL2JSON_NO_PARENT;

  static Span from(const qel2json_span& s) { return {s.kind, s.begin, s.end, s.name_begin, s.name_end, s.parent}; }
};

// The token table: terminal codes 1 to terminal_count().
inline int terminal_count() { return qel2json_terminal_count(); }
inline std::string_view terminal_name(int code) {
  const char* name = qel2json_terminal_name(code);
  return name ? name : std::string_view();
}
inline qel2json_token_kind terminal_kind(int code) { return qel2json_token_kind(qel2json_terminal_kind(code)); }

class Result {
 public:
  // The command line's exit status: 0, or 1.
  int status() const { return qel2json_result_status(get()); }
  bool ok() const { return status() == 0; }
  // Whether the whole document was made.
  bool complete() const { return qel2json_result_complete(get()) != 0; }
  // The document, or nothing where the command line writes none (or it
  // went to a write function).
  std::optional<std::string_view> document() const {
    size_t size = 0;
    const char* bytes = qel2json_result_document(get(), &size);
    if (!bytes) return std::nullopt;
    return std::string_view(bytes, size);
  }
  // What the command line writes on standard error.
  std::string_view diagnostics_text() const {
    size_t size = 0;
    const char* text = qel2json_result_diagnostics_text(get(), &size);
    return {text, size};
  }
  std::vector<Diagnostic> diagnostics() const {
    return Records<Diagnostic>(qel2json_result_diagnostic_count, qel2json_result_diagnostic);
  }

  // What the translator's options asked to record.
  std::vector<Token> tokens() const { return Records<Token>(qel2json_result_token_count, qel2json_result_token); }
  std::vector<Span> spans() const { return Records<Span>(qel2json_result_span_count, qel2json_result_span); }

  const qel2json_result* get() const { return result_.get(); }

 private:
  friend class Translator;
  struct Free {
    void operator()(qel2json_result* r) const { qel2json_result_free(r); }
  };
  // Every record of one sort, read through the C interface's pair of
  // functions for it.
  template <typename T, typename C>
  std::vector<T> Records(size_t (*count)(const qel2json_result*), int (*read)(const qel2json_result*, size_t, C*)) const {
    std::vector<T> all;
    all.reserve(count(get()));
    C record;
    for (size_t i = 0; read(get(), i, &record) == 0; ++i) all.push_back(T::from(record));
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
  void set_max_document_size(size_t bytes) { qel2json_translator_set_max_document_size(translator_.get(), bytes); }
  // 0: no bound (see qel2json_translator_set_max_input_size).
  void set_max_input_size(size_t bytes) { qel2json_translator_set_max_input_size(translator_.get(), bytes); }

  // QEL2JSON_RECORD_TOKENS, QEL2JSON_RECORD_SPANS, QEL2JSON_NO_DOCUMENT, or 0.
  void set_options(unsigned options) { qel2json_translator_set_options(translator_.get(), options); }

  Result translate(std::string_view input, const char* file_name = "stdin") {
    return Result(qel2json_translate(translator_.get(), input.data(), input.size(), file_name));
  }

  // Translates what read(char* buffer, size_t size) -> long delivers (as
  // qel2json_read_fn), writing the document through
  // write(const char* bytes, size_t size) -> int (as qel2json_write_fn) and
  // handing each diagnostic to report(const Diagnostic&) as it is made.
  template <typename Read, typename Write, typename Report>
  Result translate_stream(Read&& read, const char* file_name, Write&& write, Report&& report) {
    using R = std::remove_reference_t<Read>;
    using W = std::remove_reference_t<Write>;
    using P = std::remove_reference_t<Report>;
    qel2json_stream stream = {};
    stream.read = [](void* c, char* buffer, size_t size) -> long { return (*static_cast<R*>(c))(buffer, size); };
    stream.read_context = &read;
    stream.write = [](void* c, const char* bytes, size_t size) -> int { return (*static_cast<W*>(c))(bytes, size); };
    stream.write_context = &write;
    stream.report = [](void* c, const qel2json_diagnostic* d) { (*static_cast<P*>(c))(Diagnostic::from(*d)); };
    stream.report_context = &report;
    return Result(qel2json_translate_stream(translator_.get(), &stream, file_name));
  }

  qel2json_translator* get() const { return translator_.get(); }

 private:
  struct Free {
    void operator()(qel2json_translator* t) const { qel2json_translator_free(t); }
  };
  std::unique_ptr<qel2json_translator, Free> translator_;
};

}  // namespace qel2json
