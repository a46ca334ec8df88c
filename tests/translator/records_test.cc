// What a translation records for tools that show the text (tokens with
// comments, spans of the tree's nodes), through the C++ wrapper of the
// installed interface: records/NAME.qel beside NAME.tokens and NAME.spans,
// and the table of terminals in records/terminals.txt
// (QEL_GOLDEN_UPDATE=1 rewrites them), the places agree with the
// diagnostics' way of counting on text that crosses the reader's blocks.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.hpp"
#include "support/coordinates.h"
#include "support/golden.h"

namespace {

const std::string kDir = std::string(DATA_DIR) + "/records/";

// A byte range of the text as one line: C escapes for line ends and tabs.
std::string Shown(const std::string& text, size_t begin, size_t end) {
  std::string out;
  for (size_t i = begin; i < end && i < text.size(); ++i) {
    char c = text[i];
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::string TokensOf(const std::string& text, const qel2json::Result& r) {
  std::string out;
  for (const qel2json::Token& t : r.tokens())
    out += std::to_string(t.line) + ":" + std::to_string(t.column) + " " + std::to_string(t.offset) + "+" +
           std::to_string(t.length) + " " + std::string(t.name) + " " + Shown(text, t.offset, t.offset + t.length) +
           "\n";
  return out;
}

// The spans as an indented tree, the root first and children in order.
std::string SpansOf(const std::string& text, const qel2json::Result& r) {
  std::vector<qel2json::Span> spans = r.spans();
  std::vector<std::vector<size_t>> children(spans.size());
  std::vector<size_t> roots;
  for (size_t i = 0; i < spans.size(); ++i)
    (spans[i].parent == QEL2JSON_NO_PARENT ? roots : children[spans[i].parent]).push_back(i);
  std::string out;
  std::vector<std::pair<size_t, int>> todo;
  for (auto it = roots.rbegin(); it != roots.rend(); ++it) todo.push_back({*it, 0});
  while (!todo.empty()) {
    auto [i, depth] = todo.back();
    todo.pop_back();
    const qel2json::Span& s = spans[i];
    out.append(size_t(depth) * 2, ' ').append(s.kind).append(" ").append(std::to_string(s.begin));
    out.append("-").append(std::to_string(s.end)).append(" name ").append(std::to_string(s.name_begin));
    out.append("-").append(std::to_string(s.name_end));
    if (s.name_end > s.name_begin) out.append(" ").append(Shown(text, s.name_begin, s.name_end));
    out.append("\n");
    for (auto it = children[i].rbegin(); it != children[i].rend(); ++it) todo.push_back({*it, depth + 1});
  }
  return out;
}

void Compare(const std::string& path, const std::string& actual) {
  EXPECT_EQ(GoldenFile(path, actual), actual) << "differs from " << path;
}

class Records : public ::testing::TestWithParam<std::string> {};

TEST_P(Records, TokensAndSpansAsRecorded) {
  std::string name = GetParam();
  std::string text = ReadFileBytes(kDir + name + ".qel");
  qel2json::Translator t;
  t.set_options(qel2json::Options::RecordSpans);
  qel2json::Result r = t.translate(text, "input.qel");
  Compare(kDir + name + ".tokens", TokensOf(text, r));
  Compare(kDir + name + ".spans", SpansOf(text, r));
  std::vector<qel2json::Span> spans = r.spans();
  for (size_t i = 0; i < spans.size(); ++i) {
    const qel2json::Span& s = spans[i];
    EXPECT_EQ(s.kind, qel2json::kind_name(s.code));
    if (s.parent != QEL2JSON_NO_PARENT) {
      EXPECT_GT(s.parent, i) << "a parent comes after its children";
    }
    ASSERT_TRUE(s.begin <= s.name_begin && s.name_begin <= s.name_end && s.name_end <= s.end && s.end <= text.size());
    if (s.parent == QEL2JSON_NO_PARENT) continue;
    const qel2json::Span& p = spans[s.parent];
    EXPECT_TRUE(p.begin <= s.begin && s.end <= p.end) << s.kind << " outside " << p.kind;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Records, ::testing::ValuesIn(StemsIn(kDir, ".qel")), CaseName);

// Far more text than one read of the source buffer takes, with tabs,
// comments, continued strings and every kind of line end: every token's
// bytes are what its kind says, and its place is that of its first byte.
TEST(Records, PlacesAgreeWithTheTextAcrossBufferRefills) {
  std::string text = "SYSTEM LINEAR < ";
  for (int i = 0; i < 20000; ++i) {
    text += i % 3 == 0 ? "\"n\\\r\n" : i % 3 == 1 ? "\t\"x\" -- c\r" : " \"y\"\n";
    if (i % 3 == 0) text += "ame\" ";
  }
  text += "> < > < > \"c\" ISEXTERN < > < > < > < > < > < > < > < > < > < >";
  qel2json::Translator t;
  t.set_options(qel2json::Options::RecordTokens | qel2json::Options::NoDocument);
  qel2json::Result r = t.translate(text);
  ASSERT_EQ(r.status(), 0) << r.diagnostics_text();
  EXPECT_FALSE(r.document());
  std::vector<Coordinate> places = CoordinatesOf(text);
  std::vector<qel2json::Token> tokens = r.tokens();
  ASSERT_GT(tokens.size(), 26000u);
  size_t after = 0;
  for (const qel2json::Token& tk : tokens) {
    ASSERT_GE(tk.offset, after);
    ASSERT_LE(tk.offset + tk.length, text.size());
    after = tk.offset + tk.length;
    std::string bytes = text.substr(tk.offset, tk.length);
    if (tk.kind != QEL2JSON_TOKEN_END_OF_TEXT) {  // the end's place is where diagnostics put it
      EXPECT_EQ(places[tk.offset].line, tk.line) << tk.offset;
      EXPECT_EQ(places[tk.offset].column, tk.column) << tk.offset;
    }
    switch (tk.kind) {
      case QEL2JSON_TOKEN_STRING: EXPECT_TRUE(bytes.front() == '"' && bytes.back() == '"') << bytes; break;
      case QEL2JSON_TOKEN_COMMENT: EXPECT_EQ(bytes, "-- c"); break;
      case QEL2JSON_TOKEN_KEYWORD:
      case QEL2JSON_TOKEN_BRACKET: EXPECT_EQ(bytes, tk.name); break;
      case QEL2JSON_TOKEN_END_OF_TEXT: EXPECT_EQ(tk.offset, text.size()); break;
      default: ADD_FAILURE() << "unexpected token " << bytes;
    }
  }
  EXPECT_EQ(tokens.back().kind, QEL2JSON_TOKEN_END_OF_TEXT);
}

// The terminals by the numbers clients keep (0: a comment), with their
// kinds and names, as records/terminals.txt lists them.
TEST(Records, TheTokenTableNamesEveryTerminal) {
  std::string table;
  for (int code = 0; code <= qel2json::terminal_count(); ++code)
    table += std::to_string(code) + " " + std::to_string(int(qel2json::terminal_kind(code).value())) + " " +
             std::string(qel2json::terminal_name(code)) + "\n";
  Compare(kDir + "terminals.txt", table);
  EXPECT_EQ(qel2json_terminal_name(qel2json::terminal_count() + 1), nullptr);
  EXPECT_EQ(qel2json_terminal_kind(-1), -1);
  EXPECT_EQ(qel2json::terminal_kind(qel2json::terminal_count() + 1), std::nullopt);
}

}  // namespace
