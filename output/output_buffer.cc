#include "output/output_buffer.h"

#include <algorithm>
#include <string>

namespace qel2json::detail {

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

// The limit is checked block by block, so that it costs nothing per byte.
void OutputBuffer::Write(const char* s, size_t n) {
  if (n == 0) return;
  if (limit_ && n > limit_ - written_)
    reports_->Report(Code::DocumentTooLong,
                     "the document is longer than the limit of " + std::to_string(limit_) + " bytes", kNowhere);
  int error = sink_->Write(s, n);
  if (error) reports_->Report(Code::CannotWrite, Reports::SystemMessage("cannot write the output", error), kNowhere);
  written_ += n;
}

void OutputBuffer::Drain() {
  Write(buffer_, used_);
  used_ = 0;
}

// A text longer than the room left: a long one goes out from where it is
// stored.
void OutputBuffer::PutLong(const char* s, size_t n) {
  Drain();
  if (n >= kSize) return Write(s, n);
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
  for (size_t left = indent_; left > 0;) {
    size_t run = std::min(left, kSpaceRun);
    Put(kBreak + 2, run);
    left -= run;
  }
}

}  // namespace qel2json::detail
