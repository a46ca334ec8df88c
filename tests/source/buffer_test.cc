// The source buffer: whole lines, however the text arrives, and what it
// keeps of a token across refills, and where a bounded input ends.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/faults.h"
#include "source/source_buffer.h"
#include "support/pieces.h"

using namespace qel2json::detail;

namespace {

// A buffer with its own memory and reports.
struct Buffer : ReportRig {
  SourceBuffer buffer{pages, reports};
};

// Consumes the input as a scanner that needs nothing retained would: takes
// each available text and refills at its end, until the text is empty.
std::vector<std::string> DrainChunks(SourceBuffer& b) {
  std::vector<std::string> chunks;
  while (b.textStart() != b.textEnd()) {
    EXPECT_EQ(*b.textEnd(), '\0');
    chunks.emplace_back(b.textStart(), b.textEnd());
    b.Refill(b.textEnd());
  }
  EXPECT_EQ(*b.textStart(), '\0');
  b.Refill(b.textEnd());  // refilled again after the end, it stays empty
  EXPECT_EQ(*b.textStart(), '\0');
  return chunks;
}

std::string Join(const std::vector<std::string>& chunks) {
  std::string all;
  for (const std::string& c : chunks) all += c;
  return all;
}

// Every available text ends at a line end, and a CR LF pair is never split
// between two of them.
void ExpectWholeLines(const std::vector<std::string>& chunks) {
  for (size_t i = 0; i < chunks.size(); ++i) {
    ASSERT_FALSE(chunks[i].empty());
    char last = chunks[i].back();
    EXPECT_TRUE(last == '\n' || last == '\r') << "chunk " << i;
    if (last == '\r' && i + 1 < chunks.size()) {
      EXPECT_NE(chunks[i + 1].front(), '\n') << "chunk " << i;
    }
  }
}

std::vector<std::string> Chunks(const std::string& bytes, const std::vector<size_t>& pieces = {}) {
  Buffer b;
  PieceReader reader(bytes, pieces);
  b.buffer.Open(reader);
  return DrainChunks(b.buffer);
}

// Short inputs, whole or in the given pieces: the first text available
// (where it is given) is whole lines, and the last line gets a line feed;
// an empty input gets none.
TEST(Buffer, TextsAreWholeLinesAndTheLastLineGetsALineFeed) {
  struct Case {
    std::string input;
    std::vector<size_t> pieces;
    std::string first, all;
  };
  for (const Case& c : std::vector<Case>{
           {"", {}, "", ""},
           {"A B", {}, "", "A B\n"},
           {"x\ny", {}, "", "x\ny\n"},
           {"x\n", {}, "", "x\n"},
           {"x\r", {}, "", "x\r\n"},  // after a lone CR too, which makes it CR LF
           {"one\ntwo\nthr", {}, "one\ntwo\n", "one\ntwo\nthr\n"},
           {"A\r\nB\n", {2, 1, 2}, "A\r\n", "A\r\nB\n"},  // "A\r" ends its line once the "\n" is in
           {"A\rB\rC", {}, "A\rB\r", "A\rB\rC\n"},
       }) {
    std::vector<std::string> chunks = Chunks(c.input, c.pieces);
    if (!c.first.empty()) {
      EXPECT_EQ(chunks.at(0), c.first) << c.input;
    }
    EXPECT_EQ(Join(chunks), c.all) << c.input;
  }
}

// Lines longer than a read, and than the buffer's first block, are
// available whole however the text arrives.
TEST(Buffer, PiecesGiveTheSameTextAsOneRead) {
  std::string input;
  for (int i = 0; i < 4000; ++i) {
    input += "line " + std::to_string(i);
    input += (i % 3 == 0) ? "\r\n" : (i % 3 == 1) ? "\r" : "\n";
    if (i % 1500 == 0) input += std::string(200000, 'z') + "\n";
  }
  input += "tail";
  for (std::vector<size_t> pieces :
       std::vector<std::vector<size_t>>{{}, {1}, {2}, {3, 1}, {7, 1, 65536}, {65535, 2}, {65537}}) {
    std::vector<std::string> chunks = Chunks(input, pieces);
    ExpectWholeLines(chunks);
    EXPECT_EQ(Join(chunks), input + "\n") << "pieces of " << ::testing::PrintToString(pieces);
  }
}

// A scanner in the middle of a token that spans lines (a comment, a string
// continued over line ends) refills with the token's start; the token's
// bytes must come back intact at textStart(), however often it refills.
TEST(Buffer, RetainedTokenSurvivesRefillsAndGrowth) {
  std::string token;
  for (int i = 0; i < 30000; ++i) token += "part" + std::to_string(i) + "\\\n";
  token += "END";
  std::string input = "x\n" + token + "\nafter\n";
  for (std::vector<size_t> pieces : std::vector<std::vector<size_t>>{{}, {1}, {13}, {70000}}) {
    Buffer b;
    PieceReader reader(input, pieces);
    b.buffer.Open(reader);
    ASSERT_EQ(std::string(b.buffer.textStart(), 2), "x\n");
    // The token starts behind "x\n"; refill with it until END is available.
    char* begin = b.buffer.textStart() + 2;
    for (int guard = 0; guard < 10000000; ++guard) {
      if (std::string(begin, b.buffer.textEnd()).find("END") != std::string::npos) break;
      b.buffer.Refill(begin);
      begin = b.buffer.textStart();
    }
    std::string have(begin, b.buffer.textEnd());
    ASSERT_GE(have.size(), token.size());
    EXPECT_EQ(have.substr(0, token.size()), token);
  }
}

// Failures end the translation with one line, as the command line prints it.
TEST(Buffer, FailuresEndTheTranslationWithTheirLine) {
  Buffer b;
  PieceReader failing("abc\ndef\n", {4}, 4);
  b.buffer.Open(failing);
  EXPECT_THROW(b.buffer.Refill(b.buffer.textEnd()), TranslationEnded);
  PieceReader reader("abc\ndef\n");
  b.buffer.Open(reader);
  EXPECT_THROW(b.buffer.Refill(b.buffer.textEnd() + 1), TranslationEnded);
  EXPECT_EQ(b.lines.text, "refillBuf: Input/output error\nrefillBuf: invalid argument\n");
}

// A bound lets an input of exactly that many bytes through, however it
// arrives, and ends a longer one at the read that brings the first byte
// past it (tests/translator: of an endless one, no more is read).
TEST(Buffer, AnInputEndsAtTheFirstByteBeyondItsBound) {
  std::string input = "abc\ndef\n";
  for (std::vector<size_t> pieces : std::vector<std::vector<size_t>>{{}, {1}, {3}}) {
    Buffer exact;
    PieceReader whole(input, pieces);
    exact.buffer.Open(whole, input.size());
    EXPECT_EQ(Join(DrainChunks(exact.buffer)), input);
    Buffer over;
    PieceReader longer(input, pieces);
    EXPECT_THROW(
        {
          over.buffer.Open(longer, input.size() - 1);
          DrainChunks(over.buffer);
        },
        TranslationEnded);
    EXPECT_EQ(exact.lines.text + over.lines.text, "\"in\", line 0:0 DEADLY: the input is longer than the limit of 7 bytes\n");
  }
}

// No memory for the buffer is the source buffer's own failure.
TEST(Buffer, NoMemoryIsAFailureOfTheBlock) {
  Buffer first;
  PieceReader reader("abc\n");
  FaultInjection::FailMappingsAfter(first.pages, 0);
  EXPECT_THROW(first.buffer.Open(reader), TranslationEnded);
  EXPECT_EQ(first.lines.text, "initBuf (memblock): Cannot allocate memory\n");
  Buffer growing;
  PieceReader longLine(std::string(200000, 'q'));
  FaultInjection::FailMappingsAfter(growing.pages, 1);  // the first block, but not its growth
  EXPECT_THROW(growing.buffer.Open(longLine), TranslationEnded);
  EXPECT_EQ(growing.lines.text, "refillBuf (Text buffer): Cannot allocate memory\n");
}

}  // namespace
