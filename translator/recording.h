// What a translation records on request beside its document, for tools
// that show the text: every token and comment with its bytes and
// coordinate, and the span of every tree node (its kind, the bytes of its
// text, the bytes of its name, and the node it belongs to).
//
// Spans come from the parser's reductions: a node covers the tokens from
// the first of its production up to the token after it.  A list is one
// span that grows with every element, the elements its children.
#pragma once

#include <cstddef>
#include <vector>

#include "parser/parser.h"
#include "scanner/scanner.h"

namespace qel2json::detail {

struct RecordedToken {
  int code;  // terminal code; 0 for a comment
  size_t offset;
  size_t length;
  SrcPosition position;
};

inline constexpr size_t kNoParent = size_t(-1);

struct RecordedSpan {
  int kind;  // a tree kind (tree/kinds.def)
  size_t begin;
  size_t end;  // the byte after the last one; begin == end for an empty node
  size_t nameBegin;
  size_t nameEnd;  // nameBegin == nameEnd == begin where the node has no name
  size_t parent;   // index of the enclosing span, or kNoParent
};

class Recording final : public ParseObserver, public CommentObserver {
 public:
  // Forgets the last translation's records; the next records tokens and
  // comments, and the spans of nodes too when `spans` says so.
  void Start(bool spans);

  void Token(int code, size_t offset, size_t length, SrcPosition position, const char* text) override;
  void Reduced(int rule, int nodes, SrcPosition first) override;
  void Comment(size_t offset, size_t length, SrcPosition position, const char* text) override;


  // The spans, children before their parents in the order of the text, and
  // then the tokens and comments in the order of the text; each may be
  // taken once after a translation, the spans first.
  std::vector<RecordedSpan> TakeSpans();
  std::vector<RecordedToken> TakeTokens();

 private:
  // A node's tokens [first, end) by index in tokens_, and its name's.
  struct Node {
    int kind;
    size_t first;
    size_t end;
    size_t name;  // kNoParent: none
    size_t parent;
  };
  size_t FirstTokenAt(SrcPosition position, size_t end) const;
  size_t NameOf(size_t first, size_t end, const size_t* children, size_t count) const;

  const RecordedToken& TokenAt(size_t i) const { return all_[tokens_[i]]; }

  bool spans_ = false;
  // Tokens and comments as they come, which is the order of the text.
  std::vector<RecordedToken> all_;
  // The tokens the parser read, by their index in all_.
  std::vector<size_t> tokens_;
  std::vector<Node> nodes_;
  // The nodes that wait for their parent, the last built on top, as the
  // parser's node stack holds them.
  std::vector<size_t> waiting_;
};

}  // namespace qel2json::detail
