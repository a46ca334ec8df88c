// Translators on different threads share nothing that changes: the golden
// inputs translated on 8 threads at once, 200 rounds each, through the C
// interface alone, give exactly what one thread gives: documents,
// diagnostics with their codes, byte places and links, and the tokens.
// Built with ThreadSanitizer (the tsan preset), the same run finds any
// data race.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.h"
#include "support/golden.h"

namespace {

struct Outcome {
  int status;
  std::string document;
  std::string diagnostics;
  std::string records;  // every diagnostic's code, bytes and link, then every token's bytes
  bool operator==(const Outcome&) const = default;
};

Outcome Translate(qel2json_translator* t, const std::string& input) {
  qel2json_result* r = qel2json_translate(t, input.data(), input.size(), "input.qel");
  Outcome o = {qel2json_result_status(r), "", qel2json_result_diagnostics_text(r, nullptr), ""};
  size_t size = 0;
  if (const char* document = qel2json_result_document(r, &size)) o.document.assign(document, size);
  for (size_t i = 0; const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r, i); ++i)
    o.records += std::to_string(d->code) + " " + std::to_string(d->offset) + "+" + std::to_string(d->length) + " " +
                 std::to_string(d->related) + "\n";
  for (size_t i = 0; const qel2json_token* k = qel2json_result_token_at(r, i); ++i)
    o.records += std::to_string(k->offset) + "+" + std::to_string(k->length) + " ";
  qel2json_result_free(r);
  return o;
}

struct Translator {
  Translator() : t(qel2json_translator_new()) { qel2json_translator_set_options(t, QEL2JSON_RECORD_TOKENS); }
  ~Translator() { qel2json_translator_free(t); }
  qel2json_translator* t;
};

TEST(Threads, EightTranslatorsAtOnceGiveWhatOneGives) {
  std::vector<GoldenCase> cases = GoldenCases(GOLDEN_DIR);
  ASSERT_FALSE(cases.empty());
  std::vector<Outcome> sequential;
  Translator one;
  for (const GoldenCase& c : cases) sequential.push_back(Translate(one.t, c.input));

  constexpr int kThreads = 8, kRounds = 200;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      Translator mine;
      for (int round = 0; round < kRounds; ++round)
        for (size_t k = 0; k < cases.size(); ++k)
          // Each thread starts at another case, so that different inputs run at once.
          if (!(Translate(mine.t, cases[(k + size_t(i)) % cases.size()].input) ==
                sequential[(k + size_t(i)) % cases.size()]))
            ++mismatches[size_t(i)];
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(mismatches[size_t(i)], 0) << "thread " << i;
}

}  // namespace
