// Readers and sinks for tests of the stages: a text handed over in pieces
// of given sizes, as a pipe delivers it, and diagnostics and documents
// collected as the command line would print them.
#pragma once

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "memory/pages.h"
#include "output/output_buffer.h"
#include "source/report.h"
#include "source/source_buffer.h"

using namespace qel2json::detail;

// Delivers bytes in reads of at most the next piece's size (pieces cycle;
// none: all that is asked for).  A read after failAt bytes fails with EIO.
class PieceReader final : public TextReader {
 public:
  explicit PieceReader(std::string bytes, std::vector<size_t> pieces = {}, size_t failAt = size_t(-1))
      : bytes_(std::move(bytes)), pieces_(std::move(pieces)), failAt_(failAt) {}
  long Read(char* into, size_t size) override {
    if (at_ >= failAt_) {
      errno = EIO;
      return -1;
    }
    size_t n = bytes_.size() - at_;
    if (!pieces_.empty()) n = std::min(n, std::max<size_t>(1, pieces_[next_++ % pieces_.size()]));
    n = std::min(n, size);
    bytes_.copy(into, n, at_);
    at_ += n;
    return long(n);
  }

 private:
  std::string bytes_;
  std::vector<size_t> pieces_;
  size_t failAt_;
  size_t at_ = 0;
  size_t next_ = 0;
};

// The diagnostics as standard error would show them.
class CollectedLines final : public DiagnosticSink {
 public:
  void Add(const Diagnostic& d) override {
    text.append(d.line);
    all.push_back(d);
    all.back().message = {};
    all.back().line = {};
    all.back().file = {};
  }
  std::string text;
  std::vector<Diagnostic> all;  // without their texts
};

// Memory and reports for a stage under test: reports named `file`, counted
// against the line number `line`, collected in `lines`.
struct ReportRig {
  explicit ReportRig(const char* file = "in", int currentLine = 1) : line(currentLine) {
    reports.Start(file, lines, &line);
  }
  int line;
  PageSource pages;
  CollectedLines lines;
  Reports reports;
};

class StringDocument final : public DocumentSink {
 public:
  int Write(const char* bytes, size_t n) override {
    text.append(bytes, n);
    return 0;
  }
  std::string text;
};
