#include "source/report.h"

#include <cstring>

namespace qel2json::detail {

namespace {

constexpr std::string_view kSeverityName[4] = {"NOTE", "WARNING", "ERROR", "DEADLY"};

void AppendInt(std::string& s, int i) {
  char digits[12];
  int n = 0;
  unsigned u = i < 0 ? 0u - unsigned(i) : unsigned(i);
  do {
    digits[n++] = char('0' + u % 10);
    u /= 10;
  } while (u);
  if (i < 0) s += '-';
  while (n) s += digits[--n];
}

}  // namespace

void Reports::Start(std::string_view file, DiagnosticSink& sink, const int* currentLine) {
  file_.assign(file);
  sink_ = &sink;
  currentLine_ = currentLine;
  for (int& count : counts_) count = 0;
}

// "FILE", line L:C SEVERITY: text
void Reports::Emit(Severity severity, std::string_view text, const SrcPosition& position, uint64_t expected) {
  line_.assign(1, '"').append(file_).append("\", line ");
  AppendInt(line_, position.line);
  line_ += ':';
  AppendInt(line_, position.col);
  line_.append(" ").append(kSeverityName[int(severity)]).append(": ");
  size_t message = line_.size();
  line_.append(text).append("\n");
  std::string_view line(line_);
  sink_->Add({file_, position, severity, line.substr(message, text.size()), line, expected});
}

void Reports::Report(Severity severity, std::string_view text, const SrcPosition* position, uint64_t expected) {
  constexpr SrcPosition kNoPosition = {0, 0};
  if (!position) position = &kNoPosition;
  Emit(severity, text, *position, expected);
  counts_[int(severity)]++;
  // Up to ten errors are always tolerated; every further twenty lines read
  // allow one more.
  if (counts_[int(Severity::Error)] > *currentLine_ / 20 + 10) {
    Emit(Severity::Deadly, "Too many ERRORs", *position, 0);
    throw TranslationEnded{};
  }
  if (severity == Severity::Deadly) throw TranslationEnded{};
}

void Reports::Add(std::string_view text) {
  line_.assign(text).append("\n");
  std::string_view line(line_);
  sink_->Add({file_, {0, 0}, Severity::Deadly, line.substr(0, text.size()), line, 0});
  counts_[int(Severity::Deadly)]++;
}

void Reports::Fail(std::string_view text) {
  Add(text);
  throw TranslationEnded{};
}

std::string Reports::SystemMessage(const char* what, int error) {
  char buffer[256];
  return std::string(what) + ": " + strerror_r(error, buffer, sizeof buffer);
}

}  // namespace qel2json::detail
