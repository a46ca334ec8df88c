// A translator that lives long gives back the memory of its largest
// translation: after a 100 MB description and a trim, the process is as
// large as it was with a new translator.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "bench/generator.h"
#include "qel2json.h"
#include "support/child.h"

namespace {

struct Text {
  char* bytes = nullptr;
  size_t size = 0;
  size_t at = 0;
};

long ReadText(void* context, char* buffer, size_t size) {
  Text* t = static_cast<Text*>(context);
  size_t n = std::min(size, t->size - t->at);
  memcpy(buffer, t->bytes + t->at, n);
  t->at += n;
  return long(n);
}

long Discard(void*, const char*, size_t size) { return long(size); }

// Translates text, its document thrown away as it is written.
int Translate(qel2json_translator* t, Text& text) {
  text.at = 0;
  qel2json_stream stream = QEL2JSON_STREAM_INIT;
  stream.read = ReadText;
  stream.read_context = &text;
  stream.write = Discard;
  qel2json_result* r = qel2json_translate_stream(t, &stream, "big.qel");
  int status = qel2json_result_status(r);
  qel2json_result_free(r);
  return status;
}

TEST(Trim, GivesBackTheMemoryOfTheLargestTranslation) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  constexpr uint64_t kBytes = 10'000'000;  // a sanitizer's bookkeeping makes sizes meaningless anyway
#else
  constexpr uint64_t kBytes = 100'000'000;
#endif
  Text small, big;
  FILE* out = open_memstream(&small.bytes, &small.size);
  bench::WriteDescription(out, 2000, 7);
  fclose(out);

  qel2json_translator* t = qel2json_translator_new();
  ASSERT_EQ(Translate(t, small), 0);
  size_t fresh = ResidentBytes();
  out = open_memstream(&big.bytes, &big.size);
  bench::WriteDescription(out, kBytes, 7);
  fclose(out);
  ASSERT_EQ(Translate(t, big), 0);
  free(big.bytes);
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
  EXPECT_EQ(qel2json_translator_trim(nullptr), -1);
  free(small.bytes);
}

}  // namespace
