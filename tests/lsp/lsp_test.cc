// The server's own layers where a transcript cannot reach: the framing read
// in pieces of every size with broken headers between good messages and
// input that ends inside a message; reads and writes that fail or are
// interrupted; the worker's queue; and positions converted one way and back
// on text with every line end, characters of one to four bytes and bytes
// that begin none.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lsp/positions.h"
#include "lsp/server.h"
#include "lsp/transport.h"
#include "lsp/worker.h"

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
const std::string kBroken[] = {
    "Content-Length: x\r\n\r\n{\"id\":1}",
    "Content-Type: text/plain\r\n\r\n{\"no\":\"length\"}",
    "stray bytes",
    "Content-Length: -4\r\n\r\n",
    "Content-Length: 123456789012345678901234\r\n\r\nbody",
    "\r\n\r\n",
    "Content-Length 5\r\n\r\nhello",
    ": 5\r\n\r\nhello",
    "Content-Length: \t \r\n\r\n",
    "Content-Length: 2000000000000\r\n\r\n",
    "X-Trace_1: a\r\nContent Length: 3\r\n\r\nabc",
    std::string(70000, ' '),  // longer than any header block
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
      std::string length = std::to_string(sent.back().size());
      stream += i % 3 == 0   ? Framed(sent.back())
                : i % 3 == 1 ? "content-length: " + length + "\nContent-Type: x\n\n" + sent.back()
                             : "Content-Length:\t " + length + " \t\r\n\r\n" + sent.back();
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

// Input that ends inside a message: what came before is read, a header
// block cut off is skipped, a body cut off ends the input.
TEST(MessageReader, InputThatEndsInsideAMessage) {
  using S = lsp::MessageReader::Status;
  const std::pair<std::string, std::vector<S>> cases[] = {
      {Framed("{}") + "Content-Length: 9\r\n", {S::Message, S::Skipped, S::End}},
      {Framed("{}") + "Content-Length: 9\r\n\r\n{\"a\"", {S::Message, S::End}},
      {"Content-Type: x\r\n\r\nno length, and no message after it", {S::Skipped, S::End}},
      {"\r\n\n", {S::End}},
  };
  for (const auto& [input, expected] : cases) {
    Pieces source(input, {3});
    lsp::MessageReader reader(source);
    std::vector<S> got;
    std::string body;
    do got.push_back(reader.Next(&body));
    while (got.back() != S::End && got.size() < 10);
    EXPECT_EQ(got, expected) << input;
  }
}

// A sink that takes `good` writes, then fails.
class Failing final : public lsp::ByteSink {
 public:
  explicit Failing(int good) : good_(good) {}
  bool Write(std::string_view bytes) override {
    ++writes;
    if (writes > good_) return false;
    text.append(bytes);
    return true;
  }
  int writes = 0;
  std::string text;

 private:
  int good_;
};

// A client that goes away: once a write fails, the server writes nothing
// more, but reads on and ends as the messages say.
TEST(Server, WritesThatFailEndNothing) {
  std::string input;
  for (const char* m : {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})",
                        R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{)"
                        R"("uri":"file:///a.qel","languageId":"qel","version":1,"text":"SYSTEM"}}})",
                        R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})", R"({"jsonrpc":"2.0","method":"exit"})"})
    input += Framed(m);
  for (int good : {0, 1, 2}) {
    Pieces source(input, {100});
    lsp::MessageReader reader(source);
    Failing sink(good);
    lsp::MessageWriter writer(sink);
    lsp::Server server(writer, /*threaded=*/false);
    EXPECT_EQ(server.Run(reader), 0) << good;
    EXPECT_EQ(sink.writes, good + 1) << good;
    EXPECT_EQ(sink.text.empty(), good == 0);
  }
}

// Sends SIGUSR1 to a thread again and again until stopped: a blocking
// read or write in it is interrupted (the handler is installed without
// SA_RESTART).
class Interrupter {
 public:
  explicit Interrupter(pthread_t target) : thread_([this, target] {
      while (!stop_) {
        pthread_kill(target, SIGUSR1);
        usleep(1000);
      }
    }) {}
  ~Interrupter() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class Descriptors : public ::testing::Test {
 protected:
  void SetUp() override {
    struct sigaction on{};
    on.sa_handler = [](int) {};
    sigaction(SIGUSR1, &on, &old_);
    ASSERT_EQ(pipe(fds_), 0);
  }
  void TearDown() override {
    sigaction(SIGUSR1, &old_, nullptr);
    for (int fd : fds_)
      if (fd >= 0) close(fd);
  }
  int fds_[2] = {-1, -1};  // read end, write end
  struct sigaction old_{};
};

// Interrupted reads and writes go on; a write to a pipe nobody reads fails,
// and so does a read from a descriptor that is not open: both end the
// stream instead of the process.
TEST_F(Descriptors, InterruptedReadsAndWritesGoOnFailedOnesEnd) {
  {
    // A read that waits for a writer who comes only after it was
    // interrupted many times.
    std::promise<std::string> read;
    std::thread reader([&] {
      lsp::FdSource source(fds_[0]);
      char buffer[16];
      size_t n = source.Read(buffer, sizeof buffer);
      read.set_value(std::string(buffer, n));
    });
    {
      Interrupter interrupter(reader.native_handle());
      usleep(20000);
    }
    ASSERT_EQ(write(fds_[1], "abc", 3), 3);
    reader.join();
    EXPECT_EQ(read.get_future().get(), "abc");
  }
  {
    // A write larger than the pipe holds, drained only after it was
    // interrupted many times.
    std::string big(1 << 20, 'w');
    std::atomic<bool> written{false};
    std::thread writer([&] { written = lsp::FdSink(fds_[1]).Write(big); });
    {
      Interrupter interrupter(writer.native_handle());
      usleep(20000);
    }
    std::string drained;
    char buffer[1 << 16];
    while (drained.size() < big.size()) {
      ssize_t n = read(fds_[0], buffer, sizeof buffer);
      ASSERT_GT(n, 0);
      drained.append(buffer, size_t(n));
    }
    writer.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(drained, big);
  }
  close(fds_[0]);
  fds_[0] = -1;
  void (*previous)(int) = signal(SIGPIPE, SIG_IGN);
  EXPECT_FALSE(lsp::FdSink(fds_[1]).Write("nobody reads this"));
  signal(SIGPIPE, previous);
  char c;
  EXPECT_EQ(lsp::FdSource(fds_[0]).Read(&c, 1), 0u);
}

// Holds a threaded worker in a job of its own until the promise returned
// is kept, so that the jobs posted meanwhile wait.
std::promise<void> Hold(lsp::Worker& worker) {
  std::promise<void> release, held;
  worker.Post(lsp::Worker::Kind::Answer, "", [go = release.get_future().share(), &held] {
    held.set_value();
    go.wait();
  });
  held.get_future().wait();
  return release;
}

// Jobs run in the order they were posted; an update takes the place of
// the waiting update of its document unless an answer on that document
// waits between them (an answer on another document does not count); a
// job that throws ends alone; after Finish nothing runs.
TEST(Worker, AnUpdateReplacesTheWaitingOneOfItsDocumentUnlessAnAnswerWaitsBetween) {
  using K = lsp::Worker::Kind;
  std::vector<std::string> ran;
  std::promise<void> done;
  {
    lsp::Worker worker(/*threaded=*/true);
    std::promise<void> release = Hold(worker);
    const std::pair<K, const char*> jobs[] = {
        {K::Update, "a1"}, {K::Update, "b1"}, {K::Update, "a2"}, {K::Answer, "b?"}, {K::Update, "a3"},
        {K::Answer, "a?"}, {K::Update, "a4"}, {K::Update, "b2"}, {K::Update, "a5"},
    };
    for (auto [kind, job] : jobs)
      worker.Post(kind, std::string(1, job[0]), [&ran, job = job] { ran.push_back(job); });
    worker.Post(K::Answer, "", [] { throw std::runtime_error("a job that fails"); });
    worker.Post(K::Answer, "", [&done] { done.set_value(); });
    release.set_value();
    done.get_future().wait();
    worker.Finish();
    worker.Post(K::Answer, "", [&ran] { ran.push_back("after Finish"); });
  }
  EXPECT_EQ(ran, (std::vector<std::string>{"a3", "b1", "b?", "a?", "a5", "b2"}));
}

TEST(Worker, FinishDropsTheWaitingUpdatesAndRunsTheAnswers) {
  using K = lsp::Worker::Kind;
  std::vector<std::string> ran;
  lsp::Worker worker(/*threaded=*/true);
  std::promise<void> release = Hold(worker);
  worker.Post(K::Update, "a", [&ran] { ran.push_back("update"); });
  worker.Post(K::Answer, "a", [&ran] { ran.push_back("answer"); });
  worker.Post(K::Update, "b", [&ran] { ran.push_back("another update"); });
  std::thread finisher([&worker] { worker.Finish(); });
  // Finish drops the updates at once, then waits for the held job; it is
  // let go long after that.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  release.set_value();
  finisher.join();
  EXPECT_EQ(ran, (std::vector<std::string>{"answer"}));
}

TEST(Worker, WithoutAThreadJobsRunAtOnceAndAFailingOneAlone) {
  using K = lsp::Worker::Kind;
  std::vector<std::string> ran;
  lsp::Worker worker(/*threaded=*/false);
  worker.Post(K::Update, "a", [&ran] { ran.push_back("a"); });
  worker.Post(K::Update, "a", [] { throw std::runtime_error("a job that fails"); });
  worker.Post(K::Answer, "a", [&ran] { ran.push_back("a again"); });
  worker.Finish();
  worker.Post(K::Answer, "a", [&ran] { ran.push_back("after Finish"); });
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "a again"}));
}

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

// Bytes that begin no character (a lone continuation byte, 0xF8 and 0xFF,
// a sequence cut off by the text's end) count as one character each.
const std::string kText =
    "SYSTEM\tLINEAR < \"Gr\xc3\xb6\xc3\x9f" "e\" \"\xe2\x82\xac\" \"\xf0\x9f\x98\x80\" >\r\n"
    "\t-- \xe4\xb8\xad\xff\x80\xf8\r"
    "A\n"
    "x\t\ty\xf0\x9f\x98\x80z\xe2\x82";

TEST(Positions, EveryCharacterConvertsBackToItself) {
  lsp::LineIndex lines(kText);
  ASSERT_EQ(lines.LineCount(), 4u);
  for (lsp::Encoding e : {lsp::Encoding::Utf8, lsp::Encoding::Utf16}) {
    lsp::PositionCursor cursor(lines, kText, e), backwards(lines, kText, e);
    for (size_t o = 0; o <= kText.size(); ++o) {
      lsp::Position fresh = lines.PositionOf(o, e);
      lsp::Position walked = cursor.At(o);
      lsp::Position back = backwards.At(kText.size() - o);
      lsp::Position freshBack = lines.PositionOf(kText.size() - o, e);
      EXPECT_EQ(fresh.line, walked.line) << o;
      EXPECT_EQ(fresh.character, walked.character) << o;
      EXPECT_EQ(freshBack.line, back.line) << o;
      EXPECT_EQ(freshBack.character, back.character) << o;
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
  EXPECT_EQ(lines.PositionOf(kText.size(), lsp::Encoding::Utf16).character, 8u);  // the cut sequence is one
  EXPECT_EQ(lines.CharacterEnd(kText.size()), kText.size());
}

}  // namespace
