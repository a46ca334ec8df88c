// The server's own layers where a transcript cannot reach: the framing read
// in pieces of every size with broken headers between good messages, and
// positions converted one way and back on text with tabs, every line end and
// characters of one to four bytes.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lsp/positions.h"
#include "lsp/server.h"
#include "lsp/transport.h"

namespace {

// Hands out a text in pieces of the given sizes, cycled.
class Pieces final : public lsp::ByteSource {
 public:
  Pieces(std::string text, std::vector<size_t> sizes) : text_(std::move(text)), sizes_(std::move(sizes)) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min({size, text_.size() - at_, sizes_[next_++ % sizes_.size()]});
    text_.copy(buffer, n, at_);
    at_ += n;
    return n;
  }

 private:
  std::string text_;
  std::vector<size_t> sizes_;
  size_t at_ = 0, next_ = 0;
};

std::string Framed(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body; }

// What a broken sender may put between messages.
const char* const kBroken[] = {
    "Content-Length: x\r\n\r\n{\"id\":1}",
    "Content-Type: text/plain\r\n\r\n{\"no\":\"length\"}",
    "stray bytes",
    "Content-Length: -4\r\n\r\n",
    "Content-Length: 123456789012345678901234\r\n\r\nbody",
    "\r\n\r\n",
    "Content-Length 5\r\n\r\nhello",
};

TEST(MessageReader, EveryGoodMessageSurvivesBrokenOnesInPiecesOfAnySize) {
  std::mt19937 random(19);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> sent;
    std::string stream;
    for (int i = 0; i < 8; ++i) {
      if (random() % 3 == 0) stream += kBroken[random() % std::size(kBroken)];
      sent.push_back("{\"jsonrpc\":\"2.0\",\"method\":\"m" + std::to_string(i) + "\",\"text\":\"" +
                     std::string(random() % 70000, 'x') + "\"}");
      stream += i % 2 ? Framed(sent.back()) : "content-length: " + std::to_string(sent.back().size()) +
                                                 "\nContent-Type: x\n\n" + sent.back();
    }
    Pieces source(stream, {size_t(1 + random() % 5), size_t(1 + random() % 70000), 1});
    lsp::MessageReader reader(source);
    std::vector<std::string> received;
    std::string body;
    for (lsp::MessageReader::Status s; (s = reader.Next(&body)) != lsp::MessageReader::Status::End;)
      if (s == lsp::MessageReader::Status::Message) received.push_back(body);
    // A broken block right before a message may take its header along only
    // when it ends in the middle of a header line; none of these does.
    ASSERT_EQ(received, sent) << "round " << round;
  }
}

class Collected final : public lsp::ByteSink {
 public:
  bool Write(std::string_view bytes) override {
    text.append(bytes);
    return true;
  }
  std::string text;
};

// JSON nested a million levels deep, in the parameters of every kind of
// message: the server must answer without copying or walking it (neither
// may take a stack frame a level).
TEST(Server, ParametersNestedAMillionDeepAreNeitherCopiedNorWalked) {
  std::string deep = std::string(1000000, '[') + std::string(1000000, ']');
  // Each message is its text before the deep value, and after it.
  const std::pair<const char*, const char*> messages[] = {
      {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{"x":)", "}}}"},
      {R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///a.qel",)"
       R"("languageId":"qel","version":1,"text":""},"x":)", "}}"},
      {R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///a.qel"},)"
       R"("position":{"line":0,"character":0},"x":)", "}}"},
      {R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///a.qel",)"
       R"("version":2},"contentChanges":[{"text":"","range":{"start":{"line":0,"character":0},)"
       R"("end":{"line":0,"character":0}},"x":)", "}]}}"},
      {R"({"jsonrpc":"2.0","id":)", "}"},
  };
  std::string input;
  for (auto [before, after] : messages) input += Framed(before + deep + after);
  Pieces source(input, {1 << 20});
  lsp::MessageReader reader(source);
  Collected out;
  lsp::MessageWriter writer(out);
  lsp::Server server(writer, /*threaded=*/false);
  EXPECT_EQ(server.Run(reader), 1);
  EXPECT_NE(out.text.find(R"("id":1,"jsonrpc":"2.0","result":{"capabilities")"), std::string::npos) << out.text.substr(0, 300);
  EXPECT_NE(out.text.find(R"("id":2,"jsonrpc":"2.0","result":null)"), std::string::npos);
  EXPECT_NE(out.text.find(R"("code":-32600)"), std::string::npos);
}

const std::string kText =
    "SYSTEM\tLINEAR < \"Gr\xc3\xb6\xc3\x9f" "e\" \"\xe2\x82\xac\" \"\xf0\x9f\x98\x80\" >\r\n"
    "\t-- \xe4\xb8\xad\r"
    "A\n"
    "x\t\ty\xf0\x9f\x98\x80z";

TEST(Positions, EveryCharacterConvertsBackToItself) {
  lsp::LineIndex lines(kText);
  ASSERT_EQ(lines.LineCount(), 4u);
  for (lsp::Encoding e : {lsp::Encoding::Utf8, lsp::Encoding::Utf16}) {
    lsp::PositionCursor cursor(lines, kText, e);
    for (size_t o = 0; o <= kText.size(); ++o) {
      lsp::Position fresh = lines.PositionOf(o, e);
      lsp::Position walked = cursor.At(o);
      EXPECT_EQ(fresh.line, walked.line) << o;
      EXPECT_EQ(fresh.character, walked.character) << o;
      size_t start = lines.CharacterStart(o);
      bool inLineEnd = o < kText.size() && (kText[o] == '\r' || kText[o] == '\n');
      if (!inLineEnd) {
        EXPECT_EQ(lines.OffsetOf(fresh, e), start) << o;
      }
    }
  }
  // The emoji on the last line: four bytes, two UTF-16 units.
  size_t emoji = kText.rfind("\xf0");
  EXPECT_EQ(lines.PositionOf(emoji + 4, lsp::Encoding::Utf8).character, 8u);
  EXPECT_EQ(lines.PositionOf(emoji + 4, lsp::Encoding::Utf16).character, 6u);
  EXPECT_EQ(lines.PositionOf(emoji + 2, lsp::Encoding::Utf16).character, 4u);
}

TEST(Positions, ColumnsCountTabStopsAndLandOnCharacters) {
  lsp::LineIndex lines(kText);
  size_t last = lines.LineStart(3);
  EXPECT_EQ(lines.OffsetOfColumn(4, 1), last);          // x
  EXPECT_EQ(lines.OffsetOfColumn(4, 2), last + 1);      // the first tab: columns 2 to 8
  EXPECT_EQ(lines.OffsetOfColumn(4, 8), last + 1);
  EXPECT_EQ(lines.OffsetOfColumn(4, 9), last + 2);      // the second tab: 9 to 16
  EXPECT_EQ(lines.OffsetOfColumn(4, 17), last + 3);     // y
  EXPECT_EQ(lines.OffsetOfColumn(4, 20), last + 4);     // the emoji's third byte
  EXPECT_EQ(lines.OffsetOfColumn(4, 22), last + 8);     // z
  EXPECT_EQ(lines.OffsetOfColumn(4, 99), kText.size()); // past the end
  EXPECT_EQ(lines.OffsetOfColumn(2, 99), lines.LineEnd(1));
  EXPECT_EQ(lines.OffsetOfColumn(0, 0), 0u);
  EXPECT_EQ(lines.OffsetOfColumn(9, 1), kText.size());
}

}  // namespace
