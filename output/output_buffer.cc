#include "output/output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "source/report.h"

namespace {

constexpr int kOutFd = 1;

[[noreturn]] void WriteFailed(int error) {
  static char text[160];
  snprintf(text, sizeof text, "cannot write the output: %s", strerror(error));
  Report(DEADLY, text, nullptr);
  abort();  // a DEADLY report does not return
}

void WriteAll(const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(kOutFd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) WriteFailed(w < 0 ? errno : EIO);
    p += w;
    n -= size_t(w);
  }
}

}  // namespace

const char OutputBuffer::kBreak[2 + kSpaceRun + kBlock] = {
    ',', '\n',
#define SPACES8 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '
#define SPACES64 SPACES8, SPACES8, SPACES8, SPACES8, SPACES8, SPACES8, SPACES8, SPACES8
#define SPACES512 SPACES64, SPACES64, SPACES64, SPACES64, SPACES64, SPACES64, SPACES64, SPACES64
    SPACES512, SPACES512, SPACES512, SPACES512, SPACES512, SPACES512, SPACES512, SPACES512,
    SPACES64
#undef SPACES512
#undef SPACES64
#undef SPACES8
};

void OutputBuffer::Drain() {
  WriteAll(buffer_, used_);
  used_ = 0;
}

// A text longer than the room left: a long one goes out from where it is
// stored.
void OutputBuffer::PutLong(const char* s, size_t n) {
  Drain();
  if (n >= kSize) return WriteAll(s, n);
  memcpy(buffer_, s, n);
  used_ = n;
}

// Two digits at a time, from a table of the hundred pairs.
void OutputBuffer::PutInt(int i) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[12];
  char* p = digits + sizeof digits;
  unsigned u = i < 0 ? 0u - unsigned(i) : unsigned(i);
  while (u >= 100) {
    p -= 2;
    memcpy(p, kPairs + 2 * (u % 100), 2);
    u /= 100;
  }
  if (u >= 10) {
    p -= 2;
    memcpy(p, kPairs + 2 * u, 2);
  } else {
    *--p = char('0' + u);
  }
  if (i < 0) *--p = '-';
  Put(p, size_t(digits + sizeof digits - p));
}

// Indentation deeper than one run of spaces: written run by run.
void OutputBuffer::LongBreak(bool comma) {
  Put(kBreak + (comma ? 0 : 1), comma ? 2 : 1);
  for (int left = indent_; left > 0; left -= kSpaceRun)
    Put(kBreak + 2, size_t(left < kSpaceRun ? left : kSpaceRun));
}
