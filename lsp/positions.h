// Places in a document: byte offsets, as the library gives them, and the
// protocol's positions (a line and a character counted in the negotiated
// encoding).
//
// Lines end as the translator ends them and as the protocol does: at a line
// feed, a carriage return, or both together.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace lsp {

// What a position's character counts: UTF-8 bytes or UTF-16 code units.
enum class Encoding { Utf8, Utf16 };

struct Position {
  size_t line = 0;       // from 0
  size_t character = 0;  // from 0, in the encoding's units
};

class LineIndex {
 public:
  // The text must outlive the index.
  explicit LineIndex(std::string_view text);

  size_t LineCount() const { return starts_.size(); }
  // The first byte of line `line` (from 0), and the byte where its line end
  // begins (or the text's end).
  size_t LineStart(size_t line) const { return starts_[line]; }
  size_t LineEnd(size_t line) const;
  // The line that holds the byte at offset.
  size_t LineOf(size_t offset) const;

  // The position of a byte offset; an offset inside a character counts as
  // its character, one past the text's end as the end.
  Position PositionOf(size_t offset, Encoding encoding) const;
  // The byte offset of a position: a character past the line's end is the
  // line's end, a line past the last is the text's end.
  size_t OffsetOf(Position position, Encoding encoding) const;

  // The first byte of the character that holds the byte at offset.
  size_t CharacterStart(size_t offset) const;
  // The byte after the character that begins at offset.
  size_t CharacterEnd(size_t offset) const;

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
};

// Converts many offsets to positions in time that grows with the text, not
// with its lines' lengths times the offsets: each call goes on from where
// the last one stopped when it lies on the same line, not before it.
class PositionCursor {
 public:
  PositionCursor(const LineIndex& lines, std::string_view text, Encoding encoding)
      : lines_(&lines), text_(text), encoding_(encoding) {}
  Position At(size_t offset);

 private:
  const LineIndex* lines_;
  std::string_view text_;
  Encoding encoding_;
  size_t line_ = size_t(-1);
  size_t byte_ = 0;   // a character start on line_
  size_t units_ = 0;  // of the line's characters before byte_
};

}  // namespace lsp
