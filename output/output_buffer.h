// The output buffer: the whole document goes through it to standard output
// with write(2) (stdio's buffer would cost a second copy of every byte),
// with the line breaks and their indentation made as it is written.
#pragma once

#include <cstddef>
#include <cstring>

class OutputBuffer {
 public:
  static constexpr int kIndentStep = 3;
  // Short texts are copied in blocks of this size: a text given to
  // PutShort must have as many readable bytes behind it.
  static constexpr size_t kBlock = 64;

  // Forgets anything not yet written and the indentation.
  void Clear() {
    used_ = 0;
    indent_ = 0;
  }

  void Put(const char* s, size_t n) {
    if (n > kSize - used_) return PutLong(s, n);
    memcpy(buffer_ + used_, s, n);
    used_ += n;
  }
  void PutShort(const char* s, size_t n) {
    if (n > kBlock) return Put(s, n);
    if (kBlock > kSize - used_) Drain();
    memcpy(buffer_ + used_, s, kBlock);
    used_ += n;
  }
  void PutChar(char c) {
    if (used_ == kSize) Drain();
    buffer_[used_++] = c;
  }
  void PutInt(int i);

  void IndentIncrease() { indent_ += kIndentStep; }
  void IndentDecrease() { indent_ -= kIndentStep; }
  // A line feed and the indentation; with a "," before it.
  void Newline() { Break(1, size_t(1 + indent_)); }
  void CommaNewline() { Break(0, size_t(2 + indent_)); }

  // Writes what the buffer holds.  A failed write is a DEADLY report
  // "cannot write the output: <reason>", which ends the run.
  void Drain();

 private:
  static constexpr size_t kSize = size_t(1) << 18;
  static constexpr int kSpaceRun = 4096;  // indentation copied in one piece
  static const char kBreak[2 + kSpaceRun + kBlock];  // ",", "\n", then spaces

  // from 0: with the comma, 1: without; n bytes of kBreak in all.  Copies
  // whole blocks: the run and the buffer have a block to spare.
  void Break(int from, size_t n) {
    if (indent_ > kSpaceRun) return LongBreak(from == 0);
    if (n > kSize - used_) Drain();
    char* to = buffer_ + used_;
    const char* run = kBreak + from;
    for (size_t i = 0; i < n; i += kBlock) memcpy(to + i, run + i, kBlock);
    used_ += n;
  }
  void LongBreak(bool comma);
  void PutLong(const char* s, size_t n);

  char buffer_[kSize + kBlock];
  size_t used_ = 0;
  int indent_ = 0;  // spaces after each line feed
};
