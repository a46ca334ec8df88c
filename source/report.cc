#include "source/report.h"

#include <cstring>

namespace qel2json::detail {

namespace {


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
  made_ = 0;
}

// "FILE", line L:C SEVERITY: text
void Reports::Emit(Code code, Severity severity, std::string_view text, const Place& place, uint64_t expected,
                   size_t related, int suggestion) {
  line_.assign(1, '"').append(file_).append("\", line ");
  AppendInt(line_, place.position.line);
  line_ += ':';
  AppendInt(line_, place.position.col);
  line_.append(" ").append(kSeverityNames[size_t(severity)]).append(": ");
  size_t message = line_.size();
  line_.append(text).append("\n");
  std::string_view line(line_);
  sink_->Add({file_, place, severity, code, line.substr(message, text.size()), line, expected, related, suggestion});
  ++made_;
}

size_t Reports::Report(Code code, std::string_view text, const Place& place, uint64_t expected, size_t related,
                       int suggestion) {
  Severity severity = KindOf(code).severity;
  size_t number = made_;
  Emit(code, severity, text, place, expected, related, suggestion);
  counts_[int(severity)]++;
  // Up to ten errors are always tolerated; every further twenty lines read
  // allow one more.
  if (counts_[int(Severity::Error)] > *currentLine_ / 20 + 10) {
    Emit(Code::TooManyErrors, Severity::Deadly, KindOf(Code::TooManyErrors).text, place, 0, kNoRelated, 0);
    throw TranslationEnded{};
  }
  if (severity == Severity::Deadly) throw TranslationEnded{};
  return number;
}

void Reports::Add(Code code, std::string_view text) {
  line_.assign(text).append("\n");
  std::string_view line(line_);
  sink_->Add({file_, kNowhere, Severity::Deadly, code, line.substr(0, text.size()), line, 0, kNoRelated, 0});
  ++made_;
  counts_[int(Severity::Deadly)]++;
}

void Reports::Fail(Code code, std::string_view text) {
  Add(code, text);
  throw TranslationEnded{};
}

std::string Reports::SystemMessage(const char* what, int error) {
  char buffer[256];
  return std::string(what) + ": " + strerror_r(error, buffer, sizeof buffer);
}

}  // namespace qel2json::detail
