#include "translator/note_taking.h"

#include <string_view>

#include "scanner/tokens.h"

namespace qel2json::detail {

namespace {

// Whether an integer literal is written as its value would be.  Most are
// short and without a leading zero, and need no conversion to tell.
bool WrittenAsItsValue(std::string_view text) {
  bool negative = text[0] == '-';
  size_t length = text.size() - negative;
  if (length > 0 && length < 10 && (text[negative] != '0' || (length == 1 && !negative))) return true;
  int value = IntegerValue(text.data(), text.size());
  char digits[12];
  char* p = digits + sizeof digits;
  unsigned u = value < 0 ? 0u - unsigned(value) : unsigned(value);
  do {
    *--p = char('0' + u % 10);
    u /= 10;
  } while (u);
  if (value < 0) *--p = '-';
  return text == std::string_view(p, size_t(digits + sizeof digits - p));
}

// The line ends inside a token (a string continued over lines).
int LineEndsIn(std::string_view text) {
  int ends = 0;
  for (size_t i = 0; i < text.size(); ++i)
    ends += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
  return ends;
}

}  // namespace

void NoteTaking::Start() {
  notes_->Clear();
  tokens_ = 0;
  tokenLine_ = contentLine_ = 0;
  commentLast_ = false;
}

void NoteTaking::Token(int code, size_t, size_t length, SrcPosition position, const char* text) {
  if (code == TK_EndOfText) return;
  std::string_view written(text, length);
  // Only an empty line after a comment is kept: where it parts comments
  // from the text below them.
  if (commentLast_ && position.line > contentLine_ + 1) notes_->BlankAfterLastComment();
  commentLast_ = false;
  if (code == TK_IntegerLiteral && !WrittenAsItsValue(written)) notes_->AddIntegerText(tokens_, written);
  tokenLine_ = contentLine_ = position.line + (code == TK_StringLiteral ? LineEndsIn(written) : 0);
  notes_->SetTokens(++tokens_);
}

void NoteTaking::Comment(size_t, size_t length, SrcPosition position, const char* text) {
  bool trailing = tokens_ > 0 && position.line == tokenLine_;
  bool blankBefore = contentLine_ > 0 && position.line > contentLine_ + 1;
  notes_->AddComment(tokens_, trailing, blankBefore, std::string_view(text, length));
  contentLine_ = position.line;
  commentLast_ = true;
}

}  // namespace qel2json::detail
