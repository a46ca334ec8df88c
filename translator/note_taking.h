// Taking the notes of a description's text that its tree does not keep
// (description/source_notes.h) while it is parsed, for the formatter.
#pragma once

#include "description/source_notes.h"
#include "parser/parser.h"
#include "scanner/scanner.h"

namespace qel2json::detail {

class NoteTaking final : public ParseObserver, public CommentObserver {
 public:
  explicit NoteTaking(SourceNotes& notes) : notes_(&notes) {}

  // Starts the notes of a new text.
  void Start();

  void Token(int code, size_t offset, size_t length, SrcPosition position, const char* text) override;
  void Reduced(int, int, SrcPosition) override {}
  void Comment(size_t offset, size_t length, SrcPosition position, const char* text) override;

 private:
  SourceNotes* notes_;
  size_t tokens_ = 0;
  int tokenLine_ = 0;    // where the last token ended
  int contentLine_ = 0;  // where the last token or comment ended
  bool commentLast_ = false;  // the last thing read was a comment
};

}  // namespace qel2json::detail
