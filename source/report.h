// Reporting: the one way every stage tells of a problem.
//
// A report is a kind of message (its code, which fixes its severity), a
// place in the input and a text.  It is made into one line,
// "FILE", line L:C SEVERITY: text, and handed at once to the translation's
// DiagnosticSink together with its parts.  A DEADLY report, and an ERROR
// count above the current line / 20 + 10, end the translation: Report then
// throws TranslationEnded, which the translation catches.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "source/position.h"

namespace qel2json::detail {

enum class Severity : int { Note = 0, Warning = 1, Error = 2, Deadly = 3 };

inline constexpr std::array<std::string_view, 4> kSeverityNames = {"NOTE", "WARNING", "ERROR", "DEADLY"};

// The kinds of message (messages.def), numbered as the library's
// interface numbers them.
enum class Code : int {
#define MESSAGE(number, name, severity, text) name = number,
#include "source/messages.def"
#undef MESSAGE
};

struct MessageKind {
  Code code;
  Severity severity;
  std::string_view text;  // the message, or its form where a part varies
};

// A plain array: GCC keeps a deduced std::array of views in writable data.
inline constexpr MessageKind kMessageKinds[] = {
#define MESSAGE(number, name, severity, text) MessageKind{Code::name, Severity::severity, text},
#include "source/messages.def"
#undef MESSAGE
};

constexpr const MessageKind& KindOf(Code code) { return kMessageKinds[size_t(code) - 1]; }

inline constexpr size_t kNoRelated = size_t(-1);

// One diagnostic: its parts, and its line exactly as the command line
// prints it on standard error.  The views are valid during the sink's call.
struct Diagnostic {
  std::string_view file;
  Place place;
  Severity severity;
  Code code;
  std::string_view message;
  std::string_view line;  // with its line feed
  uint64_t expected;      // for a syntax error: bit t for each terminal code t that could have come
  size_t related;         // for a note that belongs to an earlier diagnostic: that one's number
  int suggestion;         // for an unknown keyword: the terminal code of the keyword it resembles, or 0
};

class DiagnosticSink {
 public:
  virtual void Add(const Diagnostic& diagnostic) = 0;

 protected:
  ~DiagnosticSink() = default;
};

// Thrown to end a translation early, once its last line is reported.
struct TranslationEnded {};

class Reports {
 public:
  Reports() = default;
  Reports(const Reports&) = delete;
  Reports& operator=(const Reports&) = delete;

  // Starts the reports of a translation: no report counted, every line
  // names `file` and goes to `sink`, and the error limit follows the line
  // number at *currentLine.
  void Start(std::string_view file, DiagnosticSink& sink, const int* currentLine);

  // Reports a message of kind `code` at `place`, with the kind's own text
  // or with `text`.  expected is only for syntax errors, related only for
  // a note that belongs to an earlier report, suggestion only for an
  // unknown keyword.  Returns the report's number (from 0, counting every
  // line of the translation), unless the report ends the translation.
  size_t Report(Code code, const Place& place, uint64_t expected = 0, size_t related = kNoRelated) {
    return Report(code, KindOf(code).text, place, expected, related);
  }
  size_t Report(Code code, std::string_view text, const Place& place, uint64_t expected = 0,
                size_t related = kNoRelated, int suggestion = 0);

  // A failure that is no report on the text (the input cannot be read, no
  // memory): its line is text as it stands, counted as DEADLY.  Fail ends
  // the translation; Add only hands the line on.
  [[noreturn]] void Fail(Code code, std::string_view text);
  void Add(Code code, std::string_view text);

  // "what: <the system's description of error>", as perror prints it.
  static std::string SystemMessage(const char* what, int error);

  int Count(Severity severity) const { return counts_[int(severity)]; }

 private:
  void Emit(Code code, Severity severity, std::string_view text, const Place& place, uint64_t expected,
            size_t related, int suggestion);

  std::string file_ = ".";
  DiagnosticSink* sink_ = nullptr;
  const int* currentLine_ = nullptr;
  int counts_[4] = {};
  size_t made_ = 0;   // lines handed on in this translation
  std::string line_;  // the line being handed on, kept for its memory
};

}  // namespace qel2json::detail
