// Recovery always completes the tree: every prefix of a description and
// every description with one token missing still yields a document.
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.hpp"
#include "support/child.h"

namespace {

// The tokens of a description whose literals hold no blanks: words split at
// white space.
std::vector<std::string> Tokens(const std::string& text) {
  std::istringstream words(text);
  return {std::istream_iterator<std::string>(words), {}};
}

// A token every 21 lines: the run allows one more error every 20 lines
// read, so even a cascade of one error per token never reaches the limit,
// and every variant must reach its document.
std::string Join(const std::vector<std::string>& tokens, size_t from, size_t to, size_t skip) {
  const std::string lines(21, '\n');
  std::string text;
  for (size_t i = from; i < to; ++i)
    if (i != skip) text += tokens[i] + lines;
  return text;
}

class Repair : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tokens = Tokens(ReadFileBytes(EVERY_CONSTRUCT)); }
  static std::vector<std::string> tokens;

  // A document, and a status that says whether errors were reported.
  void ExpectRepaired(const std::string& variant, const std::string& what) {
    qel2json::Result r = translator.translate(variant);
    std::string_view err = r.diagnostics_text();
    EXPECT_EQ(r.status() == 1, err.find("ERROR") != std::string::npos) << what;
    ASSERT_TRUE(r.document()) << what << "\n" << err;
    std::string_view out = *r.document();
    ASSERT_FALSE(out.empty()) << what << "\n" << err;
    EXPECT_EQ(out.front(), '{') << what;
    EXPECT_EQ(out.back(), '}') << what;
  }

  qel2json::Translator translator;
};
std::vector<std::string> Repair::tokens;

TEST_F(Repair, EveryPrefixIsCompleted) {
  ASSERT_GT(tokens.size(), 300u);
  for (size_t n = 0; n <= tokens.size(); ++n)
    ExpectRepaired(Join(tokens, 0, n, size_t(-1)), "the first " + std::to_string(n) + " tokens");
}

TEST_F(Repair, EveryMissingTokenIsRepaired) {
  for (size_t i = 0; i < tokens.size(); ++i)
    ExpectRepaired(Join(tokens, 0, tokens.size(), i), "without token " + std::to_string(i) + " " + tokens[i]);
}

}  // namespace
