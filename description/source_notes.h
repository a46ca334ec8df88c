// What a description's text holds beyond its tree, for writing it anew in
// the canonical layout: its comments, and the integers written otherwise
// than as their values are ("007", a number too large for its value).
// Both are named by the tokens around them: a token's ordinal counts the
// tokens before it in the text, from 0.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qel2json::detail {

class SourceNotes {
 public:
  struct Comment {
    size_t before;     // the ordinal of the token that follows it (the count of all at the end)
    bool trailing;     // it stood on the line of the token before it
    bool blankBefore;  // an empty line stood before it
    bool blankAfter;   // an empty line stood after it, before the next token
    size_t at;         // its text in texts(), from "--", without the blanks that ended its line
    size_t length;
  };
  struct IntegerText {
    size_t ordinal;
    size_t at;  // in texts()
    size_t length;
  };

  void Clear();
  void AddComment(size_t before, bool trailing, bool blankBefore, std::string_view text);
  // The count of all tokens, once the text is read.
  void SetTokens(size_t tokens) { tokens_ = tokens; }

  // Whether a comment stands between two tokens (not before the first or
  // after the last), where the nodes around it must open.
  bool CommentBetweenTokens() const {
    for (const Comment& c : comments_)
      if (c.before > 0 && c.before < tokens_) return true;
    return false;
  }
  void AddIntegerText(size_t ordinal, std::string_view text);
  // An empty line stands between the last comment and the next token.
  void BlankAfterLastComment() {
    if (!comments_.empty()) comments_.back().blankAfter = true;
  }

  const std::vector<Comment>& comments() const { return comments_; }
  const std::vector<IntegerText>& integers() const { return integers_; }
  std::string_view TextOf(size_t at, size_t length) const { return std::string_view(texts_).substr(at, length); }

 private:
  std::vector<Comment> comments_;     // in the order of the text
  std::vector<IntegerText> integers_;  // in the order of the text
  std::string texts_;
  size_t tokens_ = 0;
};

}  // namespace qel2json::detail
