// A translator that lives long gives back the memory of its largest
// translation: after a 100 MB description and a trim, the process is as
// large as it was with a new translator.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "bench/generator.h"
#include "qel2json.h"
#include "support/child.h"
#include "support/streams.h"

namespace {

long Discard(void*, const char*, size_t size) { return long(size); }

// Translates text, its document thrown away as it is written.
int Translate(qel2json_translator* t, const std::string& text) {
  TextSource source{text};
  qel2json_stream stream = QEL2JSON_STREAM_INIT;
  stream.read = TextSource::Read;
  stream.read_context = &source;
  stream.write = Discard;
  qel2json_result* r = qel2json_translate_stream(t, &stream, "big.qel");
  int status = qel2json_result_status(r);
  qel2json_result_free(r);
  return status;
}

std::string Generated(uint64_t bytes) {
  return WrittenBy([&](FILE* out) { bench::WriteDescription(out, bytes, 7); });
}

TEST(Trim, GivesBackTheMemoryOfTheLargestTranslation) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  constexpr uint64_t kBytes = 10'000'000;  // a sanitizer's bookkeeping makes sizes meaningless anyway
#else
  constexpr uint64_t kBytes = 100'000'000;
#endif
  std::string small = Generated(2000);
  qel2json_translator* t = qel2json_translator_new();
  ASSERT_EQ(Translate(t, small), 0);
  size_t fresh = ResidentBytes();
  {
    std::string big = Generated(kBytes);
    ASSERT_EQ(Translate(t, big), 0);
  }
  size_t large = ResidentBytes();
  ASSERT_EQ(qel2json_translator_trim(t), 0);
  size_t trimmed = ResidentBytes();
  // The translator works as before, with its settings.
  ASSERT_EQ(qel2json_translator_set_options(t, QEL2JSON_NO_DOCUMENT), 0);
  ASSERT_EQ(qel2json_translator_trim(t), 0);
  ASSERT_EQ(Translate(t, small), 0);
  printf("resident with a new translator: %zu bytes, after %zu bytes: %zu, trimmed: %zu\n", fresh, size_t(kBytes),
         large, trimmed);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  EXPECT_GT(large, fresh + kBytes / 2) << "the translation kept its memory, as it should until the trim";
  EXPECT_LE(trimmed, fresh + fresh / 10);
#endif
  qel2json_translator_free(t);
}

}  // namespace
