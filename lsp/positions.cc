#include "lsp/positions.h"

#include <algorithm>

namespace lsp {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The bytes of a UTF-8 sequence that starts with c; a byte that starts
// none counts as one character of its own.
size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
  if (c >= 0xC0) return 2;
  return 1;
}

}  // namespace

LineIndex::LineIndex(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') starts_.push_back(i + 1);
  }
}

size_t LineIndex::LineEnd(size_t line) const {
  if (line + 1 >= starts_.size()) return text_.size();
  size_t end = starts_[line + 1] - 1;
  if (end > starts_[line] && text_[end] == '\n' && text_[end - 1] == '\r') --end;
  return end;
}

size_t LineIndex::LineOf(size_t offset) const {
  return size_t(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin()) - 1;
}

size_t LineIndex::CharacterStart(size_t offset) const {
  size_t start = offset;
  // A sequence is at most four bytes: three continuation bytes at most.
  while (start > 0 && offset - start < 3 && start < text_.size() && IsContinuation(text_[start])) --start;
  if (start < text_.size() && start + SequenceLength(text_[start]) > offset) return start;
  return offset;
}

size_t LineIndex::CharacterEnd(size_t offset) const {
  if (offset >= text_.size()) return text_.size();
  size_t n = SequenceLength(text_[offset]);
  size_t end = offset + 1;
  while (end < offset + n && end < text_.size() && IsContinuation(text_[end])) ++end;
  return end;
}

Position LineIndex::PositionOf(size_t offset, Encoding encoding) const {
  PositionCursor cursor(*this, text_, encoding);
  return cursor.At(offset);
}

size_t LineIndex::OffsetOf(Position position, Encoding encoding) const {
  if (position.line >= starts_.size()) return text_.size();
  size_t start = LineStart(position.line), end = LineEnd(position.line);
  if (encoding == Encoding::Utf8) return CharacterStart(std::min(start + position.character, end));
  size_t units = 0, i = start;
  while (i < end && units < position.character) {
    size_t next = CharacterEnd(i);
    units += next - i == 4 ? 2 : 1;
    i = next;
  }
  return i;
}

Position PositionCursor::At(size_t offset) {
  offset = std::min(offset, text_.size());
  size_t line = lines_->LineOf(offset);
  size_t start = lines_->LineStart(line);
  // A byte of the line end counts as the line's end.
  offset = std::max(lines_->CharacterStart(std::min(offset, lines_->LineEnd(line))), start);
  if (encoding_ == Encoding::Utf8) return {line, offset - start};
  if (line != line_ || offset < byte_) {
    line_ = line;
    byte_ = start;
    units_ = 0;
  }
  while (byte_ < offset) {
    size_t next = lines_->CharacterEnd(byte_);
    units_ += next - byte_ == 4 ? 2 : 1;
    byte_ = next;
  }
  return {line, units_};
}

}  // namespace lsp
