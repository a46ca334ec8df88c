// Reporting: the one way every stage tells of a problem.
//
// A report is made into one line, "FILE", line L:C SEVERITY: text, and
// handed at once to the translation's DiagnosticSink together with its
// parts.  A DEADLY report, and an ERROR count above the current line / 20
// + 10, end the translation: Report then throws TranslationEnded, which the
// translation catches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "source/position.h"

namespace qel2json::detail {

enum class Severity : int { Note = 0, Warning = 1, Error = 2, Deadly = 3 };

// One diagnostic: its parts, and its line exactly as the command line
// prints it on standard error.  The views are valid during the sink's call.
struct Diagnostic {
  std::string_view file;
  SrcPosition position;
  Severity severity;
  std::string_view message;
  std::string_view line;  // with its line feed
  uint64_t expected;      // for a syntax error: bit t for each terminal code t that could have come
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

  // Reports text at position (null: line 0, column 0).  expected is only
  // for syntax errors.  Returns unless the report ends the translation.
  void Report(Severity severity, std::string_view text, const SrcPosition* position, uint64_t expected = 0);

  // A failure that is no report (the input cannot be read, no memory): its
  // line is text as it stands, counted as DEADLY.  Fail ends the
  // translation; Add only hands the line on.
  [[noreturn]] void Fail(std::string_view text);
  void Add(std::string_view text);

  // "what: <the system's description of error>", as perror prints it.
  static std::string SystemMessage(const char* what, int error);

  int Count(Severity severity) const { return counts_[int(severity)]; }

 private:
  void Emit(Severity severity, std::string_view text, const SrcPosition& position, uint64_t expected);

  std::string file_ = ".";
  DiagnosticSink* sink_ = nullptr;
  const int* currentLine_ = nullptr;
  int counts_[4] = {};
  std::string line_;  // the line being handed on, kept for its memory
};

}  // namespace qel2json::detail
