// What formatting and writing descriptions promise, on thousands of
// generated descriptions dressed with comments wherever a comment may
// stand, tabs, every kind of line end, and deep nesting:
// - the formatted text translates to the same document, with the same
//   status and the same diagnostics but for their places;
// - formatting it again changes nothing;
// - every comment is kept, in order;
// - the description written from a document translates back to it.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/generator.h"
#include "qel2json.h"
#include "support/streams.h"

namespace {

struct Output {
  int status = -1;
  std::string document;
  std::vector<std::string> messages;  // the diagnostics without their places
  std::vector<std::string> comments;
};

class Library {
 public:
  Library() : t_(qel2json_translator_new()) {}
  ~Library() { qel2json_translator_free(t_); }

  Output Translate(const std::string& text, bool comments = false) {
    qel2json_translator_set_options(t_, comments ? QEL2JSON_RECORD_TOKENS : 0);
    return Take(qel2json_translate(t_, text.data(), text.size(), "d.qel"), text);
  }
  Output Format(const std::string& text) { return Take(qel2json_format(t_, text.data(), text.size(), "d.qel"), text); }
  Output Write(const std::string& json) {
    return Take(qel2json_write_description(t_, json.data(), json.size(), "d.json"), json);
  }
  // Where the tokens of a text begin and end, in order.
  std::vector<std::pair<size_t, size_t>> Tokens(const std::string& text) {
    qel2json_translator_set_options(t_, QEL2JSON_RECORD_TOKENS | QEL2JSON_NO_DOCUMENT);
    qel2json_result* r = qel2json_translate(t_, text.data(), text.size(), "d.qel");
    std::vector<std::pair<size_t, size_t>> tokens;
    for (size_t i = 0; const qel2json_token* k = qel2json_result_token_at(r, i); ++i)
      if (k->code > 1) tokens.emplace_back(k->offset, k->offset + k->length);
    qel2json_result_free(r);
    return tokens;
  }

 private:
  Output Take(qel2json_result* r, const std::string& text) {
    Output o;
    o.status = qel2json_result_status(r);
    size_t size = 0;
    if (const char* d = qel2json_result_document(r, &size)) o.document.assign(d, size);
    for (size_t i = 0; const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r, i); ++i)
      o.messages.push_back(std::to_string(d->code) + " " + d->message);
    for (size_t i = 0; const qel2json_token* k = qel2json_result_token_at(r, i); ++i) {
      if (k->code != 0) continue;
      std::string comment = text.substr(k->offset, k->length);
      while (!comment.empty() && (comment.back() == ' ' || comment.back() == '\t')) comment.pop_back();
      o.comments.push_back(comment);
    }
    qel2json_result_free(r);
    return o;
  }

  qel2json_translator* t_;
};

std::string Generated(uint64_t bytes, uint64_t seed) {
  return WrittenBy([&](FILE* out) {
    if (seed % 10 == 0)
      bench::WriteNestedCoupletrees(out, int(seed % 300) + 1);
    else
      bench::WriteDescription(out, bytes, seed);
  });
}

// The same tokens, with other blanks, line ends and comments between them.
std::string Dressed(const std::string& text, const std::vector<std::pair<size_t, size_t>>& tokens, std::mt19937& random) {
  static const char* const kBetween[] = {" ", "\t", "\n", "\r\n", "\r", "  \t ", "\n\n\t", " -- a remark\n",
                                         "\t-- another, with a tab\r\n", "\n-- a comment of its own line\n",
                                         "\n\n-- after an empty line\n-- and a second line\n", " --\n", "--x\r"};
  std::string dressed = random() % 2 ? "-- at the top\n" : "";
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (i > 0) dressed += random() % 5 ? " " : kBetween[random() % std::size(kBetween)];
    dressed.append(text, tokens[i].first, tokens[i].second - tokens[i].first);
  }
  switch (random() % 3) {
    case 0: return dressed + "\n";
    case 1: return dressed + " -- on the last line, without its line end";
    default: return dressed + "\r\n-- after the end\r\n";
  }
}

TEST(Properties, FormattingAndWritingKeepMeaningAndComments) {
  Library lib;
  std::mt19937 random(20261207);
  constexpr int kDescriptions = 2000;
  int comments = 0;
  for (int n = 0; n < kDescriptions; ++n) {
    std::string plain = Generated(300 + random() % 3000, uint64_t(n) + 1);
    std::string text = Dressed(plain, lib.Tokens(plain), random);
    std::string what = "description " + std::to_string(n) + ":\n" + text;
    Output original = lib.Translate(text, true);
    ASSERT_EQ(original.status, 0) << what;
    Output formatted = lib.Format(text);
    ASSERT_EQ(formatted.status, 0) << what;
    Output again = lib.Translate(formatted.document, true);
    EXPECT_TRUE(again.document == original.document) << what << "\nformatted:\n" << formatted.document;
    EXPECT_EQ(again.status, original.status) << what;
    EXPECT_EQ(again.messages, original.messages) << what;
    EXPECT_EQ(again.comments, original.comments) << what << "\nformatted:\n" << formatted.document;
    EXPECT_EQ(lib.Format(formatted.document).document, formatted.document) << what;
    Output written = lib.Write(original.document);
    ASSERT_EQ(written.status, 0) << what << "\n" << (written.messages.empty() ? "" : written.messages[0]);
    EXPECT_TRUE(lib.Translate(written.document).document == original.document) << what;
    comments += int(original.comments.size());
    if (HasFailure()) break;
  }
  printf("%d descriptions with %d comments\n", kDescriptions, comments);
}

}  // namespace
