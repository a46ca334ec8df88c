// Translators on different threads share nothing that changes: the golden
// inputs translated on 8 threads at once, 200 rounds each, give exactly
// what one thread gives.  Built with ThreadSanitizer (the tsan preset), the
// same run finds any data race.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.hpp"
#include "support/golden.h"

namespace {

struct Outcome {
  int status;
  std::string document;
  std::string diagnostics;
  bool operator==(const Outcome&) const = default;
};

Outcome Translate(qel2json::Translator& t, const std::string& input) {
  qel2json::Result r = t.translate(input, "input.qel");
  return {r.status(), std::string(r.document().value_or("")), std::string(r.diagnostics_text())};
}

TEST(Threads, EightTranslatorsAtOnceGiveWhatOneGives) {
  std::vector<GoldenCase> cases = GoldenCases(GOLDEN_DIR);
  ASSERT_FALSE(cases.empty());
  std::vector<Outcome> sequential;
  qel2json::Translator one;
  for (const GoldenCase& c : cases) sequential.push_back(Translate(one, c.input));

  constexpr int kThreads = 8, kRounds = 200;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      qel2json::Translator mine;
      for (int round = 0; round < kRounds; ++round)
        for (size_t k = 0; k < cases.size(); ++k)
          // Each thread starts at another case, so that different inputs run at once.
          if (!(Translate(mine, cases[(k + size_t(i)) % cases.size()].input) ==
                sequential[(k + size_t(i)) % cases.size()]))
            ++mismatches[size_t(i)];
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(mismatches[size_t(i)], 0) << "thread " << i;
}

}  // namespace
