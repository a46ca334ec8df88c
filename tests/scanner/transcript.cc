#include "transcript.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include <gtest/gtest.h>

#include "scanner/scanner.h"
#include "scanner/tokens.h"
#include "source/source_buffer.h"
#include "store/string_table.h"
#include "support/pieces.h"
#include "support/seams.h"

using namespace qel2json::detail;

namespace {

constexpr int kUntouched = 0x5EED5EED;
constexpr const char* kReportPrefix = "\"in\", line ";

// A scanner with its own buffer, strings and reports, and the transcript
// it writes: each report's line as it is made, and each token's.
struct Rig : ReportRig {
  SourceBuffer buffer{pages, reports};
  StringTable strings{pages};
  Scanner scanner{buffer, strings, reports};
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

std::string_view Span(const Rig& r) {
  return {r.scanner.tokenBegin(), size_t(r.scanner.tokenLimit() - r.scanner.tokenBegin())};
}

std::string Describe(const Rig& r, int code, int attribute) {
  const SrcPosition& at = r.scanner.tokenPos();
  std::string line = std::to_string(at.line) + ":" + std::to_string(at.col) + " ";
  if (code < 1 || code > kTokenCount) return line + "! code " + std::to_string(code);
  if (code == TK_IntegerLiteral)
    return line + "int " + std::string(Span(r)) + "=" + std::to_string(attribute);
  if (code == TK_RealLiteral || code == TK_StringLiteral) {
    std::string_view stored(r.strings.At(attribute), size_t(r.strings.Length(attribute)));
    line += (code == TK_RealLiteral ? "real " : "str ") + Escaped(stored);
    if (stored != Span(r)) line += " ! span " + Escaped(Span(r));
    return line;
  }
  const TokenSpelling& token = kTokens[code - 1];
  line += code == TK_EndOfText ? "end" : std::string(token.name);
  if (attribute != kUntouched) line += " ! attribute written";
  if (Span(r) != token.text) line += " ! span " + Escaped(Span(r));
  return line;
}

// Later calls must keep delivering the end of text at the same place.
void ExpectEndRepeats(Rig& r, std::string& out) {
  SrcPosition first = r.scanner.tokenPos();
  for (int i = 0; i < 2; ++i) {
    int attribute = kUntouched;
    int code = r.scanner.Next(&attribute);
    SrcPosition at = r.scanner.tokenPos();
    if (code != TK_EndOfText || at.line != first.line || at.col != first.col)
      out += "! repeat " + Describe(r, code, attribute) + "\n";
  }
}

// Report lines without the file name, in order with the tokens.
void TakeReports(Rig& r, std::string& out) {
  std::string_view text = r.lines.text;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    std::string_view line = text.substr(at, end - at);
    if (line.starts_with(kReportPrefix)) line.remove_prefix(strlen(kReportPrefix));
    out.append(line).append("\n");
    at = end + 1;
  }
  r.lines.text.clear();
}

std::string Scan(TextReader& input, SrcPosition start) {
  Rig r;
  r.reports.Start("in", r.lines, r.scanner.currentLine());
  std::string out;
  try {
    r.buffer.Open(input);
    r.scanner.Start();
    ScannerSeam::StartAt(r.scanner, start);
    for (int n = 0; n < 1000000; ++n) {
      int attribute = kUntouched;
      int code = r.scanner.Next(&attribute);
      TakeReports(r, out);
      out += Describe(r, code, attribute) + "\n";
      if (code == TK_EndOfText) {
        ExpectEndRepeats(r, out);
        TakeReports(r, out);
        return out;
      }
    }
    out += "! no end\n";
  } catch (const TranslationEnded&) {
    TakeReports(r, out);
    out += "! ended\n";
  }
  return out;
}

}  // namespace

std::string ScanFile(const std::string& bytes, SrcPosition start) {
  PieceReader whole(bytes);
  return Scan(whole, start);
}

std::string ScanPieces(const std::string& bytes, const std::vector<size_t>& pieces, SrcPosition start) {
  PieceReader reader(bytes, pieces);
  return Scan(reader, start);
}

void ExpectTranscript(const std::string& bytes, const std::string& expected, SrcPosition start) {
  EXPECT_EQ(ScanFile(bytes, start), expected) << "read at once";
  for (const std::vector<size_t>& pieces : {std::vector<size_t>{1}, {2}, {3, 5}})
    EXPECT_EQ(ScanPieces(bytes, pieces, start), expected) << "pieces of " << pieces[0];
}
