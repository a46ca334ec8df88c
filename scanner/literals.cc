// The literal forms: scanning string literals to their ends, and the token
// processors that turn the three literal forms into attributes.
#include "scanner/literals.h"

#include <array>
#include <cstdint>

#include "scanner/scan_tables.h"
#include "scanner/scanner.h"
#include "source/report.h"
#include "store/string_table.h"

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

// Escape messages name the literal's first line but the byte's own column.
void ReportEscape(int severity, const char* text, char* at) {
  SrcPosition position{TokenPos.line, int(at - LineStart)};
  Report(severity, text, &position);
}

void ReportCutByLineEnd(char* lineEnd) {
  SrcPosition position{CurrentLine, int(lineEnd - LineStart)};
  Report(ERROR, "String terminated by newline", &position);
  Report(ERROR, "Illegal newline in string literal", &TokenPos);
}

}  // namespace

// Up to 19 significant digits fit an unsigned 64-bit value; more always
// saturate.
int AtoiValue(const char* p) {
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

// The available text ends with a line end, which stops every run of plain
// bytes, so the loop needs no test for the end of the text.
char* ScanCString(char* begin, int length) {
  char* p = begin + length;
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
    if (p == SrcBuffer->textEnd) {
      // The input ends after the continuation.  Its last byte, the end of
      // that line end, stays outside so that the line is counted after the
      // literal, as white space.
      Report(ERROR, "String terminated by end-of-file", &TokenPos);
      return p - 1;
    }
    StartLine(p);
  }
}

char* SkipEscape(char* p) {
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
      if (end == p + 1) ReportEscape(ERROR, "\\x used with no following hex digits", p);
      return end;
    }
    case '\t':
      // Still a tab: the columns after it move to the next tab stop.
      PassTab(p + 1);
      [[fallthrough]];
    default:
      ReportEscape(NOTE, "unknown escape sequence", p);
      return p + 1;
  }
}
