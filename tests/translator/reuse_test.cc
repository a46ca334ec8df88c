// One translator used for 100,000 translations in a row: valid
// descriptions, syntax errors, runs past the error limit, a failing writer
// and a failed allocation.  Every result equals what a fresh process gives
// for the same input, and the translator neither grows nor leaks: resident
// memory stays level and no descriptor is left open (LeakSanitizer checks
// the heap in the sanitizer build).
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/generator.h"
#include "qel2json.h"
#include "support/faults.h"
#include "support/child.h"
#include "support/golden.h"
#include "support/streams.h"
#include "translator/c_handles.h"

using namespace qel2json::detail;

namespace {

struct Expected {
  std::string name;
  std::string input;
  Outcome outcome;  // of the command line in a fresh process
};

// The command line on a copy of the input named `name` in a scratch folder,
// with its standard output on /dev/full when full is set.
Outcome FreshProcess(const std::string& dir, const std::string& name, const std::string& input, bool full) {
  std::ofstream(dir + "/" + name, std::ios::binary) << input;
  if (!full) return RunProgram(QEL2JSON, {name}, "", 0, dir);
  return RunProgramAfter(
      [&] {
        dup2(open("/dev/full", O_WRONLY), 1);
        if (chdir(dir.c_str()) != 0) _exit(126);
      },
      QEL2JSON, {name});
}

int OpenDescriptors() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (d && readdir(d)) ++n;
  if (d) closedir(d);
  return n;
}

long DeviceFull(void*, const char*, size_t) {
  errno = ENOSPC;
  return -1;
}

void ExpectSame(qel2json_result* r, const Outcome& expected, bool held, const std::string& what) {
  size_t size = 0;
  const char* document = qel2json_result_document(r, &size);
  const char* text = qel2json_result_diagnostics_text(r, nullptr);
  // Compared in place: a copy of a large document would grow this
  // process's heap, which the test measures.
  if (held) {
    ASSERT_TRUE(expected.out == std::string_view(document ? document : "", size)) << what;
  }
  ASSERT_EQ(text, expected.err) << what;
  ASSERT_EQ(qel2json_result_status(r), expected.status) << what;
}

TEST(Reuse, HundredThousandTranslationsGiveWhatFreshProcessesGive) {
  char scratch[] = "/tmp/qel2json-reuse-XXXXXX";
  ASSERT_NE(mkdtemp(scratch), nullptr);
  std::vector<Expected> mix;
  for (const GoldenCase& c : GoldenCases(GOLDEN_DIR)) mix.push_back({c.name + ".qel", c.input, {}});
  std::string big = WrittenBy([](FILE* out) { bench::WriteStringList(out, 200000, 1); });
  for (Expected& e : mix) e.outcome = FreshProcess(scratch, e.name, e.input, false);
  Expected large = {"large.qel", big, FreshProcess(scratch, "large.qel", big, false)};
  Expected example = {"plant.qel", ReadFileBytes(EXAMPLE), {}};
  example.outcome = FreshProcess(scratch, example.name, example.input, true);
  ASSERT_EQ(large.outcome.status, 0);
  ASSERT_NE(example.outcome.err.find("cannot write the output"), std::string::npos);

  int descriptors = OpenDescriptors();
  qel2json_translator* t = qel2json_translator_new();
  size_t residentAt1000 = 0;
  constexpr int kTranslations = 100000;
  for (int i = 1; i <= kTranslations; ++i) {
    std::string what = "translation " + std::to_string(i);
    if (i % 997 == 0) {
      // A failing writer ends the translation; the next is whole.
      TextSource source{example.input};
      qel2json_stream stream = QEL2JSON_STREAM_INIT;
      stream.read = TextSource::Read;
      stream.read_context = &source;
      stream.write = DeviceFull;
      qel2json_result* r = qel2json_translate_stream(t, &stream, example.name.c_str());
      ExpectSame(r, example.outcome, false, what + " into a full device");
      qel2json_result_free(r);
      continue;
    }
    const Expected& e = i % 1000 == 500 ? large : mix[size_t(i) % mix.size()];
    if (i == 500) {
      // The first large one needs more memory than the translator has: its
      // first new mapping fails, and only this translation ends.
      FaultInjection::FailMappingsAfter(*t->translation, 0);
      qel2json_result* r = qel2json_translate(t, e.input.data(), e.input.size(), e.name.c_str());
      ExpectSame(r, {1, "", "memory exhausted\n"}, true, what + " without memory");
      EXPECT_EQ(qel2json_result_document(r, nullptr), nullptr);
      qel2json_result_free(r);
      FaultInjection::FailMappingsAfter(*t->translation, -1);
    }
    qel2json_result* r = qel2json_translate(t, e.input.data(), e.input.size(), e.name.c_str());
    ExpectSame(r, e.outcome, true, what + " of " + e.name);
    qel2json_result_free(r);
    if (i == 1000) residentAt1000 = ResidentBytes();
  }
  size_t residentAtEnd = ResidentBytes();
  qel2json_translator_free(t);
  EXPECT_EQ(OpenDescriptors(), descriptors);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // (A sanitizer's own bookkeeping grows as it pleases.)
  EXPECT_LE(residentAtEnd, residentAt1000 + residentAt1000 / 10)
      << "resident after 1,000: " << residentAt1000 << ", after " << kTranslations << ": " << residentAtEnd;
#endif
  printf("resident memory after 1,000 translations: %zu bytes; after %d: %zu bytes\n", residentAt1000,
         kTranslations, residentAtEnd);
  RunProgram("/bin/rm", {"-rf", scratch});
}

}  // namespace
