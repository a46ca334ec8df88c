#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "source/source_buffer.h"
#include "support/child.h"

namespace {

// Consumes the input as a scanner that needs nothing retained would: takes
// each available text and refills at its end, until the text is empty.
std::vector<std::string> DrainChunks() {
  std::vector<std::string> chunks;
  while (SrcBuffer->TextStart != SrcBuffer->textEnd) {
    EXPECT_EQ(*SrcBuffer->textEnd, '\0');
    chunks.emplace_back(SrcBuffer->TextStart, SrcBuffer->textEnd);
    refillBuf(SrcBuffer->textEnd);
  }
  EXPECT_EQ(*SrcBuffer->TextStart, '\0');
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

std::vector<std::string> ChunksOfFile(const std::string& bytes) {
  TempFile f(bytes);
  ResetSource();
  initBuf("file", f.Open());
  return DrainChunks();
}

std::vector<std::string> ChunksOfPieces(const std::string& bytes, const std::vector<size_t>& pieces) {
  ResetSource();
  initBuf("pipe", PiecewiseDescriptor(bytes, pieces));
  return DrainChunks();
}

class BufferTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSource(); }
};

TEST_F(BufferTest, EmptyInputGivesEmptyTextAndNoLineFeed) {
  std::vector<std::string> chunks = ChunksOfFile("");
  EXPECT_TRUE(chunks.empty());
  EXPECT_EQ(SrcBuffer->readCount, 0);
  // Refilling again after the end leaves the text empty.
  refillBuf(SrcBuffer->textEnd);
  EXPECT_EQ(*SrcBuffer->TextStart, '\0');
}

TEST_F(BufferTest, LastLineWithoutLineEndGetsALineFeed) {
  EXPECT_EQ(Join(ChunksOfFile("A B")), "A B\n");
  EXPECT_EQ(Join(ChunksOfFile("x\ny")), "x\ny\n");
  EXPECT_EQ(Join(ChunksOfFile("x\n")), "x\n");
  // A last line ended by a lone CR still gets its line feed (then CR LF).
  EXPECT_EQ(Join(ChunksOfFile("x\r")), "x\r\n");
}

TEST_F(BufferTest, FirstTextIsTheNameAndWholeLines) {
  TempFile f("one\ntwo\nthr");
  ResetSource();
  initBuf("some name", f.Open());
  EXPECT_STREQ(SrcBuffer->name, "some name");
  EXPECT_EQ(std::string(SrcBuffer->TextStart, SrcBuffer->textEnd), "one\ntwo\n");
}

TEST_F(BufferTest, LongLineIsAvailableWhole) {
  std::string line(10000, 'a');
  std::string input = "short\n" + line + "\nend\n";
  TempFile f(input);
  ResetSource();
  initBuf("f", f.Open());
  std::vector<std::string> chunks = DrainChunks();
  ExpectWholeLines(chunks);
  EXPECT_EQ(Join(chunks), input);
  bool whole = false;
  for (const std::string& c : chunks) whole |= c.find(line + "\n") != std::string::npos;
  EXPECT_TRUE(whole);
}

TEST_F(BufferTest, CarriageReturnAndLineFeedSplitAcrossReads) {
  // "A\r" arrives first; its line is complete only once the "\n" is in.
  ResetSource();
  initBuf("p", PiecewiseDescriptor("A\r\nB\n", {2, 1, 2}));
  EXPECT_EQ(std::string(SrcBuffer->TextStart, SrcBuffer->textEnd), "A\r\n");
}

TEST_F(BufferTest, LoneCarriageReturnsEndLines) {
  std::vector<std::string> chunks = ChunksOfFile("A\rB\rC");
  ASSERT_GE(chunks.size(), 1u);
  EXPECT_EQ(chunks[0], "A\rB\r");
  EXPECT_EQ(Join(chunks), "A\rB\rC\n");
}

TEST_F(BufferTest, PiecesGiveTheSameTextAsAFile) {
  std::string input;
  for (int i = 0; i < 400; ++i) {
    input += "line " + std::to_string(i);
    input += (i % 3 == 0) ? "\r\n" : (i % 3 == 1) ? "\r" : "\n";
    if (i % 150 == 0) input += std::string(5000, 'z') + "\n";
  }
  input += "tail";
  std::string expected = Join(ChunksOfFile(input));
  EXPECT_EQ(expected, input + "\n");
  for (std::vector<size_t> pieces :
       std::vector<std::vector<size_t>>{{1}, {2}, {3, 1}, {7, 1, 4096}, {4095, 2}, {4097}}) {
    std::vector<std::string> chunks = ChunksOfPieces(input, pieces);
    ExpectWholeLines(chunks);
    EXPECT_EQ(Join(chunks), expected) << "pieces of " << pieces[0];
  }
}

// A scanner in the middle of a token that spans lines (a comment, a string
// continued over line ends) refills with the token's start; the token's
// bytes must come back intact at TextStart, however often it refills.
TEST_F(BufferTest, RetainedTokenSurvivesRefillsAndGrowth) {
  std::string prefix = "x\n";
  std::string token;
  for (int i = 0; i < 300; ++i) token += "part" + std::to_string(i) + "\\\n";
  token += "END";
  std::string input = prefix + token + "\nafter\n";
  for (std::vector<size_t> pieces : std::vector<std::vector<size_t>>{{}, {1}, {13}, {5000}}) {
    ResetSource();
    initBuf("p", PiecewiseDescriptor(input, pieces));
    std::string seen(SrcBuffer->TextStart, SrcBuffer->textEnd);
    ASSERT_EQ(seen.substr(0, 2), "x\n");
    // The token starts behind "x\n"; refill with it until END is available.
    char* begin = SrcBuffer->TextStart + 2;
    for (int guard = 0; guard < 100000; ++guard) {
      std::string have(begin, SrcBuffer->textEnd);
      if (have.find("END") != std::string::npos) break;
      refillBuf(begin);
      begin = SrcBuffer->TextStart;
    }
    std::string have(begin, SrcBuffer->textEnd);
    ASSERT_GE(have.size(), token.size());
    EXPECT_EQ(have.substr(0, token.size()), token);
  }
}

TEST_F(BufferTest, RefillBeforeInitialisationFails) {
  Outcome o = RunInChild([] {
    ResetSource();
    char c = 0;
    refillBuf(&c);
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "refillBuf: module never initialized\n");
}

TEST_F(BufferTest, RefillWithAPointerOutsideTheTextFails) {
  Outcome o = RunInChild([] {
    TempFile f("abc\ndef\n");
    initBuf("f", f.Open());
    refillBuf(SrcBuffer->textEnd + 1);
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "refillBuf: invalid argument\n");
}

TEST_F(BufferTest, ReadFailureIsASystemErrorMessage) {
  Outcome o = RunInChild([] {
    initBuf("bad", 12345);  // no such descriptor
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "refillBuf: Bad file descriptor\n");
}

void NoteSignal(int) {}

// A read interrupted by a signal is tried again, not taken for a failure.
TEST_F(BufferTest, InterruptedReadIsRetried) {
  Outcome o = RunInChild([] {
    struct sigaction sa = {};
    sa.sa_handler = NoteSignal;  // no SA_RESTART: read fails with EINTR
    sigaction(SIGUSR1, &sa, nullptr);
    int p[2];
    if (pipe(p)) _exit(3);
    pthread_t reader = pthread_self();
    std::thread writer([&] {
      for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pthread_kill(reader, SIGUSR1);
      }
      if (write(p[1], "ok\n", 3) != 3) _exit(4);
      close(p[1]);
    });
    initBuf("p", p[0]);
    writer.join();
    printf("%s", SrcBuffer->TextStart);
  });
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "ok\n");
}

}  // namespace
