// The literal forms: scanning string literals to their ends, and the values
// of integer literals.  String literals are validated, not decoded: the
// stored text keeps its quotes, escapes and line continuations byte for
// byte.
#include <algorithm>
#include <array>
#include <cstdint>

#include "scanner/scan_tables.h"
#include "scanner/scanner.h"

namespace qel2json::detail {

namespace {

using scan_tables::IsDigit;

// Bytes that need a look inside a string literal; every other byte, a NUL
// byte included, is plain literal text.
constexpr std::array<bool, 256> BuildStops() {
  std::array<bool, 256> stops{};
  for (unsigned char c : {'"', '\\', '\n', '\r', '\t'}) stops[c] = true;
  return stops;
}
constexpr std::array<bool, 256> kStops = BuildStops();

char* SkipPlain(char* p) {
  while (!kStops[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

// Up to 19 significant digits fit an unsigned 64-bit value; more always
// saturate.
int SaturatedValue(const char* p) {
  bool negative = *p == '-';
  p += negative;
  while (*p == '0') ++p;
  uint64_t magnitude = 0;
  int digits = 0;
  for (; IsDigit(*p); ++p, ++digits)
    if (digits < 19) magnitude = magnitude * 10 + unsigned(*p - '0');
  constexpr uint64_t kCap = uint64_t(1) << 63;  // magnitude of the least long
  if (digits > 19 || magnitude > kCap) magnitude = kCap;
  uint64_t value = negative ? 0 - magnitude : (magnitude == kCap ? kCap - 1 : magnitude);
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// Escape messages name the literal's first line but the byte's own column.
// at is the byte after the backslash.
void Scanner::ReportEscape(Code code, char* at) {
  reports_->Report(code, {{tokenPos_.line, ShownColumn(at)}, source_->OffsetOf(at), 1});
}

// The first report points between the literal and its line end, where the
// closing quote is missing; the second at the literal as far as it goes.
void Scanner::ReportCutByLineEnd(char* lineEnd) {
  size_t offset = source_->OffsetOf(lineEnd);
  reports_->Report(Code::StringCutByLineEnd, {{currentLine_, ShownColumn(lineEnd)}, offset, 0});
  reports_->Report(Code::NewlineInString, {tokenPos_, tokenOffset(), size_t(lineEnd - tokenBegin_)});
}

// begin is the opening double quote.  Follows escapes and backslash-line-end
// continuations (refilling the buffer if the continued line is not there
// yet), keeps line and column counting right inside the literal, and reports
// a literal cut by a line end or by the end of the input.  The available
// text ends with a line end, which stops every run of plain bytes, so the
// loop needs no test for the end of the text.
char* Scanner::ScanCString(char* begin) {
  char* p = begin + 1;
  for (;;) {
    p = SkipPlain(p);
    char c = *p++;
    if (c == '"') return p;
    if (c == '\t') {
      PassTab(p);
      continue;
    }
    if (c != '\\') {
      // A line end: the literal ends before it, and the line end is
      // scanned (and counted) as white space.
      ReportCutByLineEnd(p - 1);
      return p - 1;
    }
    if (*p != '\n' && *p != '\r') {
      p = SkipEscape(p);
      continue;
    }
    p = ContinueToken(StepOverLineEnd(p));
    if (p == source_->textEnd()) {
      // The input ends after the continuation.  Its last byte, the end of
      // that line end, stays outside so that the line is counted after the
      // literal, as white space.  The literal's bytes end with the input's:
      // a last line without a line end has one added, which is none of them.
      size_t end = std::min(source_->OffsetOf(p), source_->bytesRead());
      reports_->Report(Code::StringCutByEnd, {tokenPos_, tokenOffset(), end - tokenOffset()});
      return p - 1;
    }
    StartLine(p);
  }
}

// p is the byte after a backslash; returns p advanced past the escape
// sequence, reporting a "\x" without hex digits and unknown escapes.
char* Scanner::SkipEscape(char* p) {
  switch (*p) {
    case '"': case '\'': case '?': case '\\':
    case 'a': case 'b': case 'f': case 'n': case 'r': case 't': case 'v':
      return p + 1;
    case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
      char* end = p + 1;
      while (end < p + 3 && IsOctal(*end)) ++end;
      return end;
    }
    case 'x': {
      char* end = p + 1;
      while (IsHex(*end)) ++end;
      if (end == p + 1) ReportEscape(Code::HexEscapeWithoutDigits, p);
      return end;
    }
    case '\t':
      // Still a tab: the columns after it move to the next tab stop.
      PassTab(p + 1);
      [[fallthrough]];
    default:
      ReportEscape(Code::UnknownEscape, p);
      return p + 1;
  }
}

}  // namespace qel2json::detail
