// The scanner engine: a longest-match automaton that dispatches on the kind
// of a token's first byte (scan_tables.h) and walks the keyword letter tree.
#include "scanner/scanner.h"

#include <algorithm>
#include <cstring>

#include "scanner/scan_tables.h"
#include "scanner/spelling.h"
#include "scanner/tokens.h"

namespace qel2json::detail {

using namespace scan_tables;

struct scan_tables::Match {
  char* limit;  // just past the token
  int code;     // 0: no complete token was passed
};

namespace {

Match NoMatch(char* begin) { return {begin, 0}; }

bool IsExponentMark(char c) { return c == 'E' || c == 'e'; }
bool IsSuffix(char c) { return c == 'F' || c == 'L' || c == 'f' || c == 'l'; }

char* SkipDigits(char* p) {
  while (IsDigit(*p)) ++p;
  return p;
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

// The keyword at p as the automaton reads it, or no match.
Match KeywordAt(char* p) {
  unsigned char c = static_cast<unsigned char>(*p);
  if (kByteKind[c] == kSingle) return {p + 1, kSingleCode[c]};
  return kByteKind[c] == kKeyword ? ScanKeyword(p) : NoMatch(p);
}

// Whether the automaton reads [begin, end) as keywords one after the other
// (the last may go on past end, as "A0" does).
bool KeywordsThroughout(char* begin, char* end) {
  for (char* p = begin; p < end;) {
    Match m = KeywordAt(p);
    if (!m.code) return false;
    p = m.limit;
  }
  return true;
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

}  // namespace

// "char '<image of the token's first byte>' is not ...", at that byte.
void Scanner::ReportFirstByte(Code code) {
  const char* rest = code == Code::NotAToken ? "' is not a token" : "' is not a complete token";
  char text[64] = "char '";
  int length = 6;
  length += CharImage(static_cast<unsigned char>(*tokenBegin_), text + length);
  size_t n = strlen(rest);
  memcpy(text + length, rest, n);
  length += int(n);
  reports_->Report(code, std::string_view(text, size_t(length)), {tokenPos_, tokenOffset(), 1});
}

Place Scanner::tokenPlace() const {
  size_t end = source_->bytesRead();
  size_t offset = std::min(tokenOffset(), end);
  return {tokenPos_, offset, std::min(size_t(tokenLimit_ - tokenBegin_), end - offset)};
}

// Every attempt starts a token at begin: its span and its coordinate.
void Scanner::StartToken(char* begin) {
  tokenBegin_ = begin;
  tokenPos_.line = currentLine_;
  tokenPos_.col = ShownColumn(begin);
}

// Ends an attempt of the automaton: delivers the longest complete token, or,
// when none was passed, reports the first byte and skips only that byte.
[[gnu::always_inline]] inline int Scanner::Finish(char* begin, Match match, int* attribute) {
  if (!match.code) {
    ReportFirstByte(Code::IncompleteToken);
    tokenLimit_ = begin + 1;
    return NoToken;
  }
  tokenLimit_ = match.limit;
  // A literal's attribute follows from its code; keywords have none.
  size_t length = size_t(match.limit - begin);
  if (match.code == TK_IntegerLiteral)
    *attribute = IntegerValue(begin, length);
  else if (match.code == TK_RealLiteral)
    *attribute = strings_->Store(begin, length);
  return match.code;
}

// A run of letters from begin.  One that the automaton reads as keywords
// throughout is read as usual, a keyword at a time; any other is one word,
// reported once over its whole length and read as the keyword it
// resembles, or skipped.
int Scanner::ScanWord(char* begin, int* attribute) {
  char* end = begin;
  while (IsLetter(*end)) ++end;
  size_t at = source_->OffsetOf(begin);
  if (at < wordsCheckedTo_ || KeywordsThroughout(begin, end)) {
    wordsCheckedTo_ = std::max(wordsCheckedTo_, source_->OffsetOf(end));
    return Finish(begin, KeywordAt(begin), attribute);
  }
  std::string_view word(begin, size_t(end - begin));
  int meant = NearestKeyword(word);
  std::string text = "unknown keyword " + std::string(word);
  if (meant) text.append("; did you mean ").append(kTokens[meant - 1].text).append("?");
  reports_->Report(Code::UnknownKeyword, text, {tokenPos_, at, word.size()}, 0, kNoRelated, meant);
  tokenLimit_ = end;
  return meant ? meant : NoToken;
}

// A refill inside the literal moves it; tokenBegin_ follows it there.
int Scanner::ScanString(int* attribute) {
  tokenLimit_ = ScanCString(tokenBegin_);
  *attribute = strings_->Store(tokenBegin_, size_t(tokenLimit_ - tokenBegin_));
  return TK_StringLiteral;
}

// The NUL at the end of the available text: refill; when nothing came, the
// end of the input.
int Scanner::EndOfText() {
  tokenLimit_ = tokenBegin_ = Refill(tokenBegin_);
  return tokenLimit_ == source_->textEnd() ? TK_EndOfText : NoToken;
}

// Attempt after attempt from p, one dispatch on the kind of its first byte
// each, until one delivers a token: white space (blanks, tabs that move the
// columns, line ends that count the lines), comments and bytes in error
// are passed over.  Kept out of line, so that the fast path of Next needs
// no stack frame.
[[gnu::noinline]] int Scanner::ScanOnward(char* p, int* attribute) {
  for (;;) {
    while (*p == ' ') ++p;
    StartToken(p);
    unsigned char c = static_cast<unsigned char>(*p);
    int code = NoToken;
    switch (byteKinds_[c]) {
      case kLineFeed:
      case kReturn:
        p = StepOverLineEnd(p);
        StartLine(p);
        continue;
      case kTab:
        PassTab(++p);
        continue;
      case kSingle:
        tokenLimit_ = p + 1;
        return kSingleCode[c];
      case kKeyword:
        code = Finish(p, ScanKeyword(p), attribute);
        break;
      case kMinus:
        if (p[1] == '-') {
          tokenLimit_ = ScanComment(p);
          break;
        }
        [[fallthrough]];
      case kDigit:
      case kDot:
        code = Finish(p, ScanNumber(p), attribute);
        break;
      case kQuote:
        code = ScanString(attribute);
        break;
      case kWord:
        code = ScanWord(p, attribute);
        break;
      case kNul:
        // Only the NUL where the available text ends is the end; any other
        // NUL byte is an input byte like any other that begins no token.
        if (p == source_->textEnd()) {
          code = EndOfText();
          break;
        }
        [[fallthrough]];
      default:
        ReportFirstByte(Code::NotAToken);
        tokenLimit_ = p + 1;
        break;
    }
    if (code != NoToken) return code;
    p = tokenLimit_;
  }
}

Scanner::Scanner(SourceBuffer& source, StringTable& strings, Reports& reports)
    : source_(&source), strings_(&strings), reports_(&reports), byteKinds_(kByteKind.data()) {}

void Scanner::ReadWordsWhole(bool whole) { byteKinds_ = (whole ? kByteKindOfWords : kByteKind).data(); }

int NumberAt(const char* begin, const char** end) {
  Match m = ScanNumber(const_cast<char*>(begin));
  *end = m.limit;
  return m.code;
}

void Scanner::Start() {
  wordsCheckedTo_ = 0;
  tokenBegin_ = tokenLimit_ = source_->textStart();
  lineStart_ = AddressOf(tokenLimit_) - 1;
  currentLine_ = 1;
  tokenPos_ = {0, 0};
}

// Brackets are almost half of all tokens, mostly after one blank: they (and
// the other one-byte tokens) are delivered without the general scan.
int Scanner::Next(int* attribute) {
  char* begin = tokenLimit_;
  while (*begin == ' ') ++begin;
  unsigned char c = static_cast<unsigned char>(*begin);
  if (byteKinds_[c] != kSingle) return ScanOnward(begin, attribute);
  StartToken(begin);
  tokenLimit_ = begin + 1;
  return kSingleCode[c];
}

// Refills the buffer keeping the text from begin on, and puts lineStart_
// just before the new textStart.  Returns the new textStart.
char* Scanner::Refill(char* begin) {
  source_->Refill(begin);
  lineStart_ = AddressOf(source_->textStart()) - 1;
  return source_->textStart();
}

// A comment from begin ("--") to the end of its line.  The available text
// always ends with a line end, so the search stops before the NUL behind
// it; a NUL byte inside the comment is just comment text.  Returns where
// the next line starts.
char* Scanner::ScanComment(char* begin) {
  char* p = begin + 2;
  while (*p != '\n' && *p != '\r') ++p;
  if (comments_) comments_->Comment(source_->OffsetOf(begin), size_t(p - begin), tokenPos_, begin);
  p = ContinueToken(StepOverLineEnd(p));
  StartLine(p);
  return p;
}

int CharImage(int byte, char image[4]) {
  byte &= 0xFF;
  const char* named = nullptr;
  switch (byte) {
    case '\\': named = "\\\\"; break;
    case '"': named = "\\\""; break;
    case '\b': named = "\\b"; break;
    case '\t': named = "\\t"; break;
    case '\n': named = "\\n"; break;
    case '\f': named = "\\f"; break;
    case '\r': named = "\\r"; break;
  }
  if (named) {
    memcpy(image, named, 2);
    return 2;
  }
  if (byte >= 0x20 && byte <= 0x7E) {
    image[0] = char(byte);
    return 1;
  }
  image[0] = '\\';
  image[1] = char('0' + byte / 64);
  image[2] = char('0' + byte / 8 % 8);
  image[3] = char('0' + byte % 8);
  return 4;
}

}  // namespace qel2json::detail
