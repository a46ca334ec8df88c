#include "scanner/scanner.h"

#include <cstring>

#include "scanner/scan_tables.h"
#include "scanner/dflteot.h"
#include "scanner/literals.h"
#include "scanner/tokens.h"
#include "memory/arena.h"
#include "source/report.h"
#include "source/source_buffer.h"
#include "store/string_table.h"

char* TokenBegin = nullptr;
char* TokenLimit = nullptr;

namespace {

using namespace chartab;

int ScanFirstCall = 1;

// The longest complete token that one attempt of the automaton has passed.
struct Match {
  char* limit;  // just past the token
  int code;     // 0: no complete token was passed
};

Match NoMatch(char* begin) { return {begin, 0}; }

bool IsDigit(char c) { return static_cast<unsigned char>(c) - unsigned('0') < 10u; }
bool IsExponentMark(char c) { return c == 'E' || c == 'e'; }
bool IsSuffix(char c) { return c == 'F' || c == 'L' || c == 'f' || c == 'l'; }

char* SkipDigits(char* p) {
  while (IsDigit(*p)) ++p;
  return p;
}

// "char '<image of the token's first byte>" + what, at the token's place.
EXPANDS_OBSTACK_MACROS void ReportFirstByte(const char* what) {
  obstack_grow(&CsmObstack, "char '", 6);
  AppendCharImage(static_cast<unsigned char>(*TokenBegin));
  obstack_grow0(&CsmObstack, what, strlen(what));
  Report(ERROR, static_cast<char*>(obstack_finish(&CsmObstack)), &TokenPos);
}

// Blanks are stepped over where an attempt starts rather than by an attempt
// of their own; mostly there is just one.
char* SkipBlanks(char* p) {
  p += *p == ' ';
  while (*p == ' ') ++p;
  return p;
}

// p is just past the first tab of a run.
void SkipTabs(char* p) {
  for (;;) {
    LineStart -= TabAdvance(int(p - LineStart));
    if (*p != '\t') break;
    ++p;
  }
  TokenLimit = p;
}

// p is just past a line end; counts it and every line feed right behind it.
// The indentation of the next line is skipped here too, so that the blank
// run before a token is mostly a single blank.
void SkipLineFeeds(char* p) {
  ++CurrentLine;
  while (*p == '\n') {
    ++CurrentLine;
    ++p;
  }
  LineStart = p - 1;
  while (*p == ' ') ++p;
  TokenLimit = p;
}

// A lone carriage return ends a line; one before a line feed is skipped and
// leaves the counting to the line feed.
void SkipReturn(char* p) {
  if (*p == '\n')
    TokenLimit = p;
  else
    SkipLineFeeds(p);
}

// Keywords and punctuation, longest match over the letter tree.  The walk
// stops at the first byte without a transition; that is at the latest the
// line end that ends the available text.
Match ScanKeyword(char* begin) {
  const LetterTree& tree = kLetterTree;
  char* p = begin + 1;
  int node = FirstNode(static_cast<unsigned char>(*begin));
  Match match = {p, tree.accept[node]};
  for (;;) {
    node = tree.next[node][tree.column[static_cast<unsigned char>(*p)]];
    if (!node) return match;
    ++p;
    if (tree.accept[node]) match = {p, tree.accept[node]};
  }
}

Match Real(char* end) { return {end, TK_RealLiteral}; }

// A complete real may end in one suffix letter.
Match Suffixed(char* p) { return Real(IsSuffix(*p) ? p + 1 : p); }

// p is at the "E" or "e" behind a complete integer or mantissa.  An exponent
// without digits does not belong to the number, which then ends at `before`.
Match Exponent(char* p, Match before) {
  char* q = p + 1;
  if (*q == '+' || *q == '-') ++q;
  if (!IsDigit(*q)) return before;
  return Suffixed(SkipDigits(q + 1));
}

// Integers and reals, from a digit, a "." or a "-" that no second "-" follows.
Match ScanNumber(char* begin) {
  char* p = begin + (*begin == '-');
  if (IsDigit(*p)) {
    p = SkipDigits(p + 1);
    if (*p != '.') {
      Match integer{p, TK_IntegerLiteral};
      return IsExponentMark(*p) ? Exponent(p, integer) : integer;
    }
    p = SkipDigits(p + 1);  // "12." or "12.5"
  } else if (*p == '.' && IsDigit(p[1])) {
    p = SkipDigits(p + 2);  // ".5"
  } else {
    return NoMatch(begin);
  }
  return IsExponentMark(*p) ? Exponent(p, Real(p)) : Suffixed(p);
}

// Every attempt starts a token at begin: its span and its coordinate.
void StartToken(char* begin) {
  TokenBegin = begin;
  TokenPos.line = CurrentLine;
  TokenPos.col = int(begin - LineStart);
}

// Ends an attempt of the automaton: delivers the longest complete token, or,
// when none was passed, reports the first byte and skips only that byte.
int Finish(char* begin, Match match, int* attribute) {
  if (!match.code) {
    ReportFirstByte("' is not a complete token");
    TokenLimit = begin + 1;
    return NoToken;
  }
  TokenLimit = match.limit;
  int code = match.code;
  // A literal's processor follows from its code; keywords have none.
  int length = int(match.limit - begin);
  if (code == TK_IntegerLiteral)
    ConvertInteger(begin, length, &code, attribute);
  else if (code == TK_RealLiteral)
    StoreTokenText(begin, length, &code, attribute);
  return code;
}

// A refill inside the literal moves it; TokenBegin follows it there.
int ScanString(int* attribute) {
  TokenLimit = ScanCString(TokenBegin, 1);
  int code = TK_StringLiteral;
  StoreTokenText(TokenBegin, int(TokenLimit - TokenBegin), &code, attribute);
  return code;
}

// The NUL at the end of the available text: refill, and when nothing came,
// the end of the input.
int EndOfText(int* attribute) {
  TokenLimit = TokenBegin = auxNUL(TokenBegin, 0);
  if (TokenLimit != SrcBuffer->textEnd) return NoToken;
  TokenLimit = TokenBegin = auxEOF(TokenBegin, 0);
  if (TokenLimit != SrcBuffer->textEnd) return NoToken;
  int code = TK_EndOfText;
  OnEndOfInput(TokenLimit, 0, &code, attribute);
  return code;
}

// One attempt from TokenLimit: a token's code, or NoToken after skipping
// white space, a comment or a byte in error.
int ScanOne(int* attribute) {
  char* begin = SkipBlanks(TokenLimit);
  StartToken(begin);
  unsigned char c = static_cast<unsigned char>(*begin);
  char* p = begin + 1;
  switch (kCharKind[c]) {
    case kTab:
      SkipTabs(p);
      return NoToken;
    case kLineFeed:
      SkipLineFeeds(p);
      return NoToken;
    case kReturn:
      SkipReturn(p);
      return NoToken;
    case kSingle:
      TokenLimit = p;
      return kSingleCode[c];
    case kKeyword:
      return Finish(begin, ScanKeyword(begin), attribute);
    case kMinus:
      if (*p == '-') {
        TokenLimit = auxScanEOL(begin, 2);
        return NoToken;
      }
      [[fallthrough]];
    case kDigit:
    case kDot:
      return Finish(begin, ScanNumber(begin), attribute);
    case kQuote:
      return ScanString(attribute);
    case kNul:
      // Only the NUL where the available text ends is the end; any other
      // NUL byte is an input byte like any other that begins no token.
      if (begin == SrcBuffer->textEnd) return EndOfText(attribute);
      [[fallthrough]];
    case kNotAToken:
      ReportFirstByte("' is not a token");
      TokenLimit = p;
      return NoToken;
  }
  return NoToken;
}


// Attempts until one delivers a token.  Kept out of line, so that the fast
// path of NextToken needs no stack frame.
[[gnu::noinline]] int ScanOnward(int* attribute) {
  for (;;) {
    int code = ScanOne(attribute);
    if (code != NoToken) return code;
  }
}

}  // namespace

int NextToken(int* attribute) {
  if (ScanFirstCall) {
    ScanFirstCall = 0;
    TokenLimit = SrcBuffer->TextStart;
    LineStart = TokenLimit - 1;
    return ScanOnward(attribute);
  }
  // Brackets are almost half of all tokens: deliver them (and the other
  // one-byte tokens) without setting up the general scan.
  char* begin = SkipBlanks(TokenLimit);
  unsigned char c = static_cast<unsigned char>(*begin);
  if (kCharKind[c] != kSingle) return ScanOnward(attribute);
  StartToken(begin);
  TokenLimit = begin + 1;
  return kSingleCode[c];
}

char* auxNUL(char* begin, int) {
  refillBuf(begin);
  LineStart = SrcBuffer->TextStart - 1;
  return SrcBuffer->TextStart;
}

char* auxEOF(char* begin, int) { return begin; }

char* auxScanEOL(char* begin, int length) {
  char* p = begin + length;
  if (p == SrcBuffer->textEnd) return p;
  // The available text always ends with a line end, so this stops before
  // the NUL behind it; a NUL byte inside the comment is just comment text.
  while (*p != '\n' && *p != '\r') ++p;
  if (*p++ == '\r' && *p == '\n') ++p;
  if (p == SrcBuffer->textEnd) {
    int offset = int(p - begin);
    begin = TokenBegin = auxNUL(begin, offset);
    p = begin + offset;
  }
  ++CurrentLine;
  LineStart = p - 1;
  return p;
}

void AppendCharImage(int byte) {
  byte &= 0xFF;
  char image[4] = {'\\', 0, 0, 0};
  int length = 2;
  switch (byte) {
    case '\\': image[1] = '\\'; break;
    case '"': image[1] = '"'; break;
    case '\b': image[1] = 'b'; break;
    case '\t': image[1] = 't'; break;
    case '\n': image[1] = 'n'; break;
    case '\f': image[1] = 'f'; break;
    case '\r': image[1] = 'r'; break;
    default:
      if (byte >= 0x20 && byte <= 0x7E) {
        image[0] = char(byte);
        length = 1;
      } else {
        image[1] = char('0' + byte / 64);
        image[2] = char('0' + byte / 8 % 8);
        image[3] = char('0' + byte % 8);
        length = 4;
      }
  }
  obstack_grow(&CsmObstack, image, length);
}

void ResetScanner() {
  ScanFirstCall = 1;
  TokenBegin = nullptr;
  TokenLimit = nullptr;
}
