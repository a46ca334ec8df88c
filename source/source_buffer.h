// The input text buffer.
//
// The buffer hands the scanner whole lines only: the available text always
// ends with a line end and is followed by one NUL byte.  When the scanner
// reaches that NUL it calls Refill, which keeps the unfinished token and
// makes at least one more complete line available behind it.  The text is
// read through a TextReader (a descriptor, a caller's function, a block of
// memory) in blocks, straight into the buffer, and never more than one byte
// past the input's bound, if it has one.
#pragma once

#include <cstddef>

#include "memory/growing_array.h"
#include "source/report.h"

namespace qel2json::detail {

class TextReader {
 public:
  // Reads up to size bytes into `into`: returns their count, 0 at the end
  // of the input, or -1 with errno set.
  virtual long Read(char* into, size_t size) = 0;

 protected:
  ~TextReader() = default;
};

class SourceBuffer {
 public:
  // Failures (no memory, a read error, an input longer than its bound) are
  // reported to `reports`.
  SourceBuffer(PageSource& pages, Reports& reports) : block_(pages), reports_(&reports) {}

  // Starts a new text read from `reader` and makes its first lines
  // available at textStart().  A text longer than `limit` bytes (0: no
  // limit) is a DEADLY report "the input is longer than the limit of N
  // bytes" as soon as a read brings the first byte past it.
  void Open(TextReader& reader, size_t limit = 0);

  // p is the first byte the scanner still needs (or textEnd()).  Keeps the
  // bytes from p on, makes further complete lines available behind them and
  // moves textStart() to where the byte at p now stands.  Every pointer into
  // the buffer is invalid afterwards.
  void Refill(char* p);

  // The first byte the scanner has not consumed, and the NUL that ends the
  // available text.  At the end of the input nothing is available: textStart()
  // is textEnd().
  char* textStart() const { return textStart_; }
  char* textEnd() const { return textEnd_; }

  // Where the byte at p (in the available text) stands in the whole input,
  // counted from 0.  The line feed added to a last line without one stands
  // at the input's size.
  size_t OffsetOf(const char* p) const { return origin_ + size_t(p - memblock()); }

  // The number of input bytes read so far.
  size_t bytesRead() const { return bytesRead_; }

 private:
  char* memblock() const { return static_cast<char*>(block_.data()); }
  char* readArea() const { return memblock() + frontSize_; }
  char* heldEnd() const { return readArea() + readCount_; }

  void Reserve(size_t front, size_t read, const char* what);
  void Retain(char* p);
  void GrowReadArea();
  void ReadLines(size_t retained);
  size_t NextReadSize() const;
  void CountRead(size_t got);
  bool FindLineEnd(char* q, char* e);

  // The block is laid out as the front area (retained text goes to its end),
  // the read area (new input goes there, behind the readCount_ bytes it
  // holds), and spare bytes.
  GrowingBlock block_;
  Reports* reports_;
  TextReader* reader_ = nullptr;
  size_t limit_ = 0;
  bool atEof_ = false;
  char savedChar_ = '\0';  // the byte that the NUL at textEnd_ covers
  size_t frontSize_ = 0;
  size_t readSize_ = 0;
  size_t readCount_ = 0;
  char* textEnd_ = nullptr;
  char* textStart_ = nullptr;
  // The input offset of the block's first byte, modulo 2^64 (it is "before"
  // the input while the front area holds no retained text).
  size_t origin_ = 0;
  size_t bytesRead_ = 0;
};

}  // namespace qel2json::detail
