#include "transcript.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include <gtest/gtest.h>

#include "scanner/scanner.h"
#include "scanner/tokens.h"
#include "source/source_buffer.h"
#include "store/string_table.h"
#include "support/child.h"

namespace {

constexpr int kUntouched = 0x5EED5EED;
constexpr const char* kReportPrefix = "\"in\", line ";

struct Named {
  const char* name;
  std::string_view text;
};
constexpr Named kNames[] = {
    {"", ""},
#define TOKEN(code, name, text) {#name, text},
#include "scanner/tokens.def"
#undef TOKEN
};

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c >= 0x20 && c < 0x7F) out += char(c);
    else {
      char octal[5];
      snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    }
  }
  return out;
}

std::string_view Span() { return {TokenBegin, size_t(TokenLimit - TokenBegin)}; }

std::string Describe(int code, int attribute) {
  std::string line = std::to_string(TokenPos.line) + ":" + std::to_string(TokenPos.col) + " ";
  if (code < 1 || code > kTokenCount) return line + "! code " + std::to_string(code);
  if (code == TK_IntegerLiteral)
    return line + "int " + std::string(Span()) + "=" + std::to_string(attribute);
  if (code == TK_RealLiteral || code == TK_StringLiteral) {
    std::string_view stored(StringAt(attribute), size_t(StringLength(attribute)));
    line += (code == TK_RealLiteral ? "real " : "str ") + Escaped(stored);
    if (stored != Span()) line += " ! span " + Escaped(Span());
    return line;
  }
  line += code == TK_EndOfText ? "end" : kNames[code].name;
  if (attribute != kUntouched) line += " ! attribute written";
  if (Span() != kNames[code].text) line += " ! span " + Escaped(Span());
  return line;
}

void Emit(const std::string& line) { fprintf(stderr, "%s\n", line.c_str()); }

// Later calls must keep delivering the end of text at the same place.
void ExpectEndRepeats() {
  SrcPosition first = TokenPos;
  for (int i = 0; i < 2; ++i) {
    int attribute = kUntouched;
    int code = NextToken(&attribute);
    if (code != TK_EndOfText || TokenPos.line != first.line || TokenPos.col != first.col)
      Emit("! repeat " + Describe(code, attribute));
  }
}

void ScanDescriptor(int fd) {
  ResetStrings();
  initBuf("in", fd);
  StartScanning();
  for (int n = 0; n < 1000000; ++n) {
    int attribute = kUntouched;
    int code = NextToken(&attribute);
    Emit(Describe(code, attribute));
    if (code == TK_EndOfText) return ExpectEndRepeats();
  }
  Emit("! no end");
}

// Drops the file name from report lines: every report names "in".
std::string Transcript(const Outcome& outcome) {
  std::string result;
  size_t at = 0;
  while (at < outcome.err.size()) {
    size_t end = outcome.err.find('\n', at);
    if (end == std::string::npos) end = outcome.err.size();
    std::string_view line(outcome.err.data() + at, end - at);
    if (line.starts_with(kReportPrefix)) line.remove_prefix(strlen(kReportPrefix));
    result.append(line).append("\n");
    at = end + 1;
  }
  if (outcome.status != 0) result += "! status " + std::to_string(outcome.status) + "\n";
  if (!outcome.out.empty()) result += "! stdout " + outcome.out + "\n";
  return result;
}

}  // namespace

std::string ScanFile(const std::string& bytes) {
  TempFile file(bytes);
  return Transcript(RunInChild([&] { ScanDescriptor(file.Open()); }));
}

std::string ScanPieces(const std::string& bytes, const std::vector<size_t>& pieces) {
  return Transcript(RunInChild([&] { ScanDescriptor(PiecewiseDescriptor(bytes, pieces)); }));
}

void ExpectTranscript(const std::string& bytes, const std::string& expected) {
  EXPECT_EQ(ScanFile(bytes), expected) << "read from a file";
  for (const std::vector<size_t>& pieces : {std::vector<size_t>{1}, {2}, {3, 5}})
    EXPECT_EQ(ScanPieces(bytes, pieces), expected) << "pieces of " << pieces[0];
}
