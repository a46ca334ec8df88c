#include "source/source_buffer.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace qel2json::detail {

namespace {

constexpr size_t kBlock = 65536;    // the first read size; retained text is kept in its multiples
constexpr size_t kFrontSize = 256;  // initial room for retained text
// The block ends with one spare byte for the line feed added to a last line
// without one, and one more so that the NUL behind it always lands inside.
constexpr size_t kSpare = 2;

// Backward search for the last byte equal to c in [q, from], with c stored in
// the byte before q as a sentinel so that the loop needs no bounds test.
char* LastOf(char c, char* q, char* from) {
  char saved = q[-1];
  q[-1] = c;
  char* s = from;
  while (*s != c) --s;
  q[-1] = saved;
  return s;
}

}  // namespace

// Makes the block hold the given areas (it may move); the text pointers
// follow it.  No memory is a failure of `what`.
void SourceBuffer::Reserve(size_t front, size_t read, const char* what) {
  char* old = memblock();
  try {
    block_.Reserve(front + read + kSpare);
  } catch (const OutOfMemory&) {
    reports_->Fail(Code::OutOfMemory, Reports::SystemMessage(what, ENOMEM));
  }
  if (memblock() == old) return;
  textStart_ = memblock() + (textStart_ - old);
  textEnd_ = memblock() + (textEnd_ - old);
}

// Looks for the last line end among the bytes of the last read, [q, e).  A
// line feed wins over a carriage return, so that a CR LF pair stays together;
// a carriage return that is the very last byte held does not count, since
// its line feed may come with the next read.
bool SourceBuffer::FindLineEnd(char* q, char* e) {
  char* s = LastOf('\n', q, e - 1);
  if (s < q) s = LastOf('\r', q, e - 2);
  if (s < q) return false;
  textEnd_ = s + 1;
  return true;
}

// Keeps the bytes from p to the end of the text held (n >= 1 of them, p in
// the read area): they move to the end of the front area and the start of
// the read area so that the read area stays a multiple of the block size.
void SourceBuffer::Retain(char* p) {
  size_t n = size_t(heldEnd() - p);
  size_t k = n % kBlock ? n % kBlock : kBlock;
  if (k > frontSize_) {
    size_t offset = size_t(p - memblock());
    Reserve(k, readSize_, "refillBuf (Text buffer)");
    p = memblock() + offset;
    frontSize_ = k;
  }
  textStart_ = readArea() - k;
  readCount_ = n - k;
  memmove(textStart_, p, n);
}

// The read area doubles, so that a line of any length costs a number of
// moves that grows only with its logarithm.
void SourceBuffer::GrowReadArea() {
  Reserve(frontSize_, 2 * readSize_, "refillBuf (Text buffer)");
  readSize_ *= 2;
}

// What one read may ask for: the room left in the read area, and under a
// limit no more than one byte past it, which tells that the input is longer.
size_t SourceBuffer::NextReadSize() const {
  size_t room = readSize_ - readCount_;
  if (!limit_) return room;
  size_t left = limit_ - bytesRead_;  // a read past the limit has ended the text
  return left < room ? left + 1 : room;
}

void SourceBuffer::CountRead(size_t got) {
  bytesRead_ += got;
  if (limit_ && bytesRead_ > limit_)
    reports_->Report(Code::InputTooLong, "the input is longer than the limit of " + std::to_string(limit_) + " bytes",
                     kNowhere);
}

// Reads into the read area until the bytes of one read hold a line end, or
// the input ends.  A refill also reads at least as many new bytes as it
// retained: a token that spans many lines (a long string continued over
// line ends) is then copied a number of times that grows only with the
// logarithm of its length, not with the number of its lines.
void SourceBuffer::ReadLines(size_t retained) {
  size_t start = readCount_;
  size_t before = readCount_;
  for (;;) {
    bool enough = readCount_ - start >= retained;
    if (readCount_ != before && enough && FindLineEnd(readArea() + before, heldEnd())) return;
    if (atEof_) return;
    if (readCount_ == readSize_) GrowReadArea();
    before = readCount_;
    long got;
    do {
      got = reader_->Read(heldEnd(), NextReadSize());
    } while (got < 0 && errno == EINTR);
    if (got < 0) reports_->Fail(Code::CannotRead, Reports::SystemMessage("refillBuf", errno));
    if (got == 0)
      atEof_ = true;
    else
      readCount_ += size_t(got);
    CountRead(size_t(got));
  }
}

void SourceBuffer::Open(TextReader& reader, size_t limit) {
  reader_ = &reader;
  limit_ = limit;
  atEof_ = false;
  textStart_ = textEnd_ = memblock();
  Reserve(kFrontSize, kBlock, "initBuf (memblock)");
  frontSize_ = kFrontSize;
  readSize_ = kBlock;
  readCount_ = 0;
  textStart_ = textEnd_ = readArea();
  *textEnd_ = '\0';
  savedChar_ = '\0';
  origin_ = 0 - size_t(readArea() - memblock());
  bytesRead_ = 0;
  Refill(readArea());
}

void SourceBuffer::Refill(char* p) {
  if (p < memblock() || p > textEnd_ || (p != textEnd_ && *p == '\0')) reports_->Fail(Code::InternalFault, "refillBuf: invalid argument");

  *textEnd_ = savedChar_;
  textEnd_ = p;
  size_t retained = size_t(heldEnd() - p);
  size_t offset = OffsetOf(p);

  if (p == heldEnd()) {
    textStart_ = readArea();
    readCount_ = 0;
  } else if (p < readArea()) {
    textStart_ = p;
  } else {
    Retain(p);
  }
  origin_ = offset - size_t(textStart_ - memblock());

  ReadLines(retained);

  if (atEof_) {
    char* end = heldEnd();
    if (textStart_ < end && end[-1] != '\n') {
      *end = '\n';
      readCount_++;
    }
    textEnd_ = heldEnd();
  }
  savedChar_ = *textEnd_;
  *textEnd_ = '\0';
}

}  // namespace qel2json::detail
