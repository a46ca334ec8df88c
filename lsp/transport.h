// The protocol's framing: each message is a header block ("Content-Length:
// N", other headers allowed, an empty line) and N bytes of JSON.
//
// The reader never gives up on a stream: a header block without a usable
// Content-Length is skipped up to the next "Content-Length:" so that the
// message after it is not lost.  The writer may be shared by threads.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace lsp {

// Where bytes come from: a descriptor, or memory (tests, the fuzz target).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to size bytes into buffer; 0 at the end of the input (or on an
  // error that ends it).
  virtual size_t Read(char* buffer, size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // All of bytes, or false when they cannot be written.
  virtual bool Write(std::string_view bytes) = 0;
};

class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  size_t Read(char* buffer, size_t size) override;

 private:
  int fd_;
};

class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  bool Write(std::string_view bytes) override;

 private:
  int fd_;
};

class MessageReader {
 public:
  explicit MessageReader(ByteSource& source) : source_(&source) {}

  enum class Status {
    Message,  // *body holds the next message's bytes
    Skipped,  // a header block without a usable Content-Length was passed over
    End,      // the input ended
  };
  Status Next(std::string* body);

 private:
  bool Fill();
  bool FindHeaderEnd(size_t* lineEnd, size_t* bodyStart);
  Status Resynchronise(size_t from);

  ByteSource* source_;
  std::string buffer_;
  size_t at_ = 0;  // the first byte not yet consumed
  bool ended_ = false;
};

class MessageWriter {
 public:
  explicit MessageWriter(ByteSink& sink) : sink_(&sink) {}
  // Frames and writes one message; safe to call from several threads.
  // Once a write fails, later messages are dropped.
  void Send(std::string_view json);

 private:
  std::mutex mutex_;
  ByteSink* sink_;
  bool broken_ = false;
};

}  // namespace lsp
