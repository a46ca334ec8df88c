#include "source/source_buffer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

SrcPosition TokenPos = {0, 0};
int CurrentLine = 1;
char* LineStart = nullptr;
SrcBuf* SrcBuffer = nullptr;

namespace {

constexpr int kBlock = 65536;     // the first read size; retained text is kept in its multiples
constexpr int kFrontSize = 256;   // initial room for retained text
// The block ends with one spare byte for the line feed added to a last line
// without one, and one more so that the NUL behind it always lands inside.
constexpr int kSpare = 2;

[[noreturn]] void SystemFailure(const char* what) {
  perror(what);
  exit(1);
}

[[noreturn]] void Failure(const char* message) {
  fputs(message, stderr);
  exit(1);
}

char* ReadArea(SrcBuf* b) { return b->memblock + b->frontSize; }
char* HeldEnd(SrcBuf* b) { return ReadArea(b) + b->readCount; }

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

// Looks for the last line end among the bytes of the last read, [q, e).  A
// line feed wins over a carriage return, so that a CR LF pair stays together;
// a carriage return that is the very last byte held does not count, since
// its line feed may come with the next read.
bool FindLineEnd(SrcBuf* b, char* q, char* e) {
  char* s = LastOf('\n', q, e - 1);
  if (s < q) s = LastOf('\r', q, e - 2);
  if (s < q) return false;
  b->textEnd = s + 1;
  return true;
}

char* AllocBlock(int front, int read, const char* what) {
  char* block = static_cast<char*>(malloc(size_t(front) + size_t(read) + kSpare));
  if (!block) SystemFailure(what);
  return block;
}

// Keeps the bytes from p to the end of the text held (n >= 1 of them, p in
// the read area): they move to the end of the front area and the start of
// the read area so that the read area stays a multiple of the block size.
void Retain(SrcBuf* b, char* p) {
  int n = int(HeldEnd(b) - p);
  int k = n % kBlock ? n % kBlock : kBlock;
  char* old = b->memblock;
  if (k > b->frontSize) {
    b->frontSize = k;
    b->memblock = AllocBlock(b->frontSize, b->readSize, "refillBuf (Text buffer)");
  }
  b->TextStart = ReadArea(b) - k;
  b->readCount = n - k;
  memmove(b->TextStart, p, size_t(n));
  if (b->memblock != old) free(old);
}

// The read area doubles, so that a line of any length costs a number of
// reallocations that grows only with its logarithm.
void GrowReadArea(SrcBuf* b) {
  int growth = b->readSize;
  if (growth > INT_MAX - b->readSize - b->frontSize - kSpare) growth = kBlock;
  if (b->readSize > INT_MAX - growth - b->frontSize - kSpare) {
    errno = ENOMEM;
    SystemFailure("refillBuf (Text buffer)");
  }
  long offset = b->TextStart - b->memblock;
  b->readSize += growth;
  char* block = static_cast<char*>(
      realloc(b->memblock, size_t(b->frontSize) + size_t(b->readSize) + kSpare));
  if (!block) SystemFailure("refillBuf (Text buffer)");
  b->memblock = block;
  b->TextStart = block + offset;
}

// Reads into the read area until the bytes of one read hold a line end, or
// the input ends.  A refill also reads at least as many new bytes as it
// retained: a token that spans many lines (a long string continued over
// line ends) is then copied a number of times that grows only with the
// logarithm of its length, not with the number of its lines.
void ReadLines(SrcBuf* b, int retained) {
  int start = b->readCount;
  int before = b->readCount;
  for (;;) {
    bool enough = b->readCount - start >= retained;
    if (b->readCount != before && enough && FindLineEnd(b, ReadArea(b) + before, HeldEnd(b))) return;
    if (b->atEof) return;
    if (b->readCount == b->readSize) GrowReadArea(b);
    int space = b->readSize - b->readCount;
    before = b->readCount;
    ssize_t got;
    do {
      got = read(b->fd, HeldEnd(b), size_t(space));
    } while (got < 0 && errno == EINTR);
    if (got < 0) SystemFailure("refillBuf");
    if (got == 0)
      b->atEof = 1;
    else
      b->readCount += int(got);
  }
}

}  // namespace

void initBuf(const char* name, int fd) {
  ResetSource();
  size_t len = strlen(name);
  SrcBuf* b = static_cast<SrcBuf*>(malloc(sizeof(SrcBuf) + len + 1));
  if (!b) SystemFailure("initBuf (SrcBuffer)");
  b->fd = fd;
  b->atEof = 0;
  b->memblock = static_cast<char*>(malloc(kFrontSize + kBlock + kSpare));
  if (!b->memblock) SystemFailure("initBuf (memblock)");
  b->frontSize = kFrontSize;
  b->readSize = kBlock;
  b->textEnd = ReadArea(b);
  *b->textEnd = '\0';
  b->savedChar = '\0';
  b->TextStart = b->textEnd;
  b->readCount = 0;
  memcpy(b->name, name, len + 1);
  SrcBuffer = b;
  refillBuf(ReadArea(b));
}

void refillBuf(char* p) {
  SrcBuf* b = SrcBuffer;
  if (!b) Failure("refillBuf: module never initialized\n");
  if (p < b->memblock || p > b->textEnd || (p != b->textEnd && *p == '\0'))
    Failure("refillBuf: invalid argument\n");

  *b->textEnd = b->savedChar;
  b->textEnd = p;
  int retained = int(HeldEnd(b) - p);

  if (p == HeldEnd(b)) {
    b->TextStart = ReadArea(b);
    b->readCount = 0;
  } else if (p < ReadArea(b)) {
    b->TextStart = p;
  } else {
    Retain(b, p);
  }

  ReadLines(b, retained);

  if (b->atEof) {
    char* end = HeldEnd(b);
    if (b->TextStart < end && end[-1] != '\n') {
      *end = '\n';
      b->readCount++;
    }
    b->textEnd = HeldEnd(b);
  }
  b->savedChar = *b->textEnd;
  *b->textEnd = '\0';
}

void ResetSource() {
  if (SrcBuffer) {
    free(SrcBuffer->memblock);
    free(SrcBuffer);
  }
  SrcBuffer = nullptr;
  TokenPos = {0, 0};
  CurrentLine = 1;
  LineStart = nullptr;
}
