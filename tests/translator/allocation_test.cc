// Every allocation from the heap that a first translation makes (its
// records, reports and tables; the mappings are failed in reuse_test),
// failed in turn on every golden case with tokens and spans recorded: the
// translation ends with "memory exhausted" and status 1, never the
// process; taking the records may fail alone; and the same translation
// object's next translation gives the golden document and diagnostics and
// the records of a fresh object.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/golden.h"
#include "translator/translation.h"

namespace {

// How many allocations from now the one that fails comes; -1: none.  The
// test runs on one thread.
long allocationsBeforeFailure = -1;

}  // namespace

void* operator new(size_t size) {
  if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

using namespace qel2json::detail;

// The sinks' strings are reserved beforehand, so that only the
// translator's own allocations are counted.
struct Text final : DocumentSink, DiagnosticSink {
  int Write(const char* bytes, size_t n) override {
    document.append(bytes, n);
    return 0;
  }
  void Add(const Diagnostic& d) override { diagnostics.append(d.line); }
  std::string document, diagnostics;
};

struct Result {
  Translation::Outcome outcome{};
  bool failed = false;     // the failing allocation came
  bool inRecords = false;  // in taking the records
  Text text;
  std::string records;
};

// Translates input with tokens and spans recorded and takes the records,
// the `failing`-th allocation failing (-1: none).
Result Translate(Translation& t, const std::string& input, long failing) {
  Result run;
  run.text.document.reserve(64 * input.size() + 4096);
  run.text.diagnostics.reserve(1 << 16);
  t.SetOptions({.recordTokens = true, .recordSpans = true, .noDocument = false});
  MemoryReader reader(input.data(), input.size());
  std::vector<RecordedSpan> spans;
  std::vector<RecordedToken> tokens;
  allocationsBeforeFailure = failing;
  run.outcome = t.Translate(reader, "input.qel", run.text, run.text);
  try {
    spans = t.recording().TakeSpans();
    tokens = t.recording().TakeTokens();
  } catch (const std::bad_alloc&) {
    run.inRecords = true;
  }
  run.failed = failing >= 0 && allocationsBeforeFailure < 0;
  allocationsBeforeFailure = -1;
  for (const RecordedSpan& s : spans)
    run.records += std::to_string(s.kind) + " " + std::to_string(s.begin) + "-" + std::to_string(s.end) + " " +
                   std::to_string(s.nameBegin) + "-" + std::to_string(s.nameEnd) + " " + std::to_string(s.parent) + "\n";
  for (const RecordedToken& k : tokens)
    run.records += std::to_string(k.code) + " " + std::to_string(k.offset) + "+" + std::to_string(k.length) + "\n";
  return run;
}

TEST(Allocation, EveryFailureEndsOnlyItsTranslation) {
  for (const GoldenCase& c : GoldenCases(GOLDEN_DIR)) {
    Translation fresh;
    Result expected = Translate(fresh, c.input, -1);
    ASSERT_EQ(expected.text.document, c.out) << c.name;
    ASSERT_EQ(expected.text.diagnostics, c.err) << c.name;
    long failing = 0;
    for (;; ++failing) {
      Translation t;
      Result failed = Translate(t, c.input, failing);
      if (!failed.failed) break;
      if (!failed.inRecords) {
        EXPECT_EQ(failed.outcome.status, 1) << c.name << ", allocation " << failing;
        EXPECT_FALSE(failed.outcome.complete) << c.name << ", allocation " << failing;
        std::string_view err = failed.text.diagnostics;
        EXPECT_TRUE(err.ends_with("memory exhausted\n")) << c.name << ", allocation " << failing << ":\n" << err;
      }
      Result next = Translate(t, c.input, -1);
      EXPECT_EQ(next.outcome.status, c.status) << c.name << ", after allocation " << failing;
      EXPECT_EQ(next.text.document, c.out) << c.name << ", after allocation " << failing;
      EXPECT_EQ(next.text.diagnostics, c.err) << c.name << ", after allocation " << failing;
      EXPECT_EQ(next.records, expected.records) << c.name << ", after allocation " << failing;
    }
    EXPECT_GT(failing, 0) << c.name << ": no allocation was failed";
  }
}

}  // namespace
