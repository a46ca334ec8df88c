// The output buffer: the whole document goes through it to the
// translation's DocumentSink in large blocks, with the line breaks and
// their indentation made as it is written.
#pragma once

#include <cstddef>
#include <cstring>

#include "source/report.h"

namespace qel2json::detail {

class DocumentSink {
 public:
  // Takes the next n bytes of the document; returns 0, or an errno value
  // when they cannot be written.
  virtual int Write(const char* bytes, size_t n) = 0;

 protected:
  ~DocumentSink() = default;
};

class OutputBuffer {
 public:
  static constexpr size_t kIndentStep = 3;
  // Short texts are copied in blocks of this size: a text given to
  // PutShort must have as many readable bytes behind it.
  static constexpr size_t kBlock = 64;

  // A failed write or a document longer than the limit is a DEADLY report
  // to `reports`.
  explicit OutputBuffer(Reports& reports) : reports_(&reports) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Starts a document written to sink, of at most `limit` bytes (0: no
  // limit).
  void Start(DocumentSink& sink, size_t limit) {
    sink_ = &sink;
    limit_ = limit;
    written_ = 0;
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
  void PutInt(int i);
  void PutByte(char c) {
    if (used_ == kSize) Drain();
    buffer_[used_++] = c;
  }

  void IndentIncrease() { indent_ += kIndentStep; }
  void IndentDecrease() { indent_ -= kIndentStep; }
  // A line feed and the indentation; with a "," before it.
  void Newline() { Break(1, 1 + indent_); }
  void CommaNewline() { Break(0, 2 + indent_); }

  // Hands what the buffer holds to the sink.  A failed write is a DEADLY
  // report "cannot write the output: <reason>"; a document that would pass
  // the limit, one that says so, and nothing beyond the limit is written.
  void Drain();

 private:
  static constexpr size_t kSize = size_t(1) << 18;
  static constexpr size_t kSpaceRun = 4096;  // indentation copied in one piece
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
  void Write(const char* s, size_t n);

  Reports* reports_;
  DocumentSink* sink_ = nullptr;
  size_t limit_ = 0;
  size_t written_ = 0;  // bytes handed to the sink
  size_t used_ = 0;
  size_t indent_ = 0;  // spaces after each line feed, as deep as the input nests
  char buffer_[kSize + kBlock];
};

}  // namespace qel2json::detail
