#include <array>

#include "scanner/scanner.h"
#include "scanner/literals.h"
#include "source/report.h"
#include "source/source_buffer.h"

namespace {

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
bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

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

char* SkipLineEnd(char* p) {
  if (*p++ == '\r' && *p == '\n') ++p;
  return p;
}

// p is just past the line end of a backslash-line-end continuation of the
// literal at *begin.  Refills when the continued line is not available yet
// (the literal moves; *begin follows it).  Returns where the continued line
// starts, or nullptr when the input ends there.
char* ContinueLine(char** begin, char* p) {
  if (p == SrcBuffer->textEnd) {
    int offset = int(p - *begin);
    *begin = TokenBegin = auxNUL(*begin, offset);
    p = *begin + offset;
    if (p == SrcBuffer->textEnd) return nullptr;
  }
  ++CurrentLine;
  LineStart = p - 1;
  return p;
}

}  // namespace

char* ScanCString(char* begin, int length) {
  char* p = begin + length;
  for (;;) {
    // The available text ends with a line end, which stops this run.
    p = SkipPlain(p);
    char c = *p++;
    if (c == '"') return p;
    if (c == '\t') {
      LineStart -= TabAdvance(int(p - LineStart));
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
    char* next = ContinueLine(&begin, SkipLineEnd(p));
    if (!next) {
      // The last byte of the input, the end of that line end, stays outside
      // so that the line is counted after the literal.
      Report(ERROR, "String terminated by end-of-file", &TokenPos);
      return SrcBuffer->textEnd - 1;
    }
    p = next;
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
      LineStart -= TabAdvance(int(p + 1 - LineStart));
      [[fallthrough]];
    default:
      ReportEscape(NOTE, "unknown escape sequence", p);
      return p + 1;
  }
}
