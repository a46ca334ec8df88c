// The order in which the threaded server takes its work: changes apply at
// once on the message loop, in the order they came; the worker translates
// snapshots, a later update taking an earlier one's place only where no
// request waits between them; a request (hover, formatting) is answered on
// the text it was asked about; shutdown is answered after everything before it, and exit
// leaves no request unanswered.  The worker is held in its first
// translation while the messages are handed over, so that they wait for
// it as they do behind a large document.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "lsp/analysis.h"
#include "lsp/server.h"
#include "lsp/transport.h"

namespace lsp {

// The tests' access to the server's hook.
class ServerProbe {
 public:
  static void BeforeAnalysis(Server& server, std::function<void(const Server::Snapshot&)> hook) {
    server.beforeAnalysis_ = std::move(hook);
  }
  // What the end of Run does.
  static void Finish(Server& server) { server.worker_.Finish(); }
};

}  // namespace lsp

namespace {

using nlohmann::json;

const char kUri[] = "file:///held.qel";

// What the server writes, read by the test while the worker writes.
class Messages final : public lsp::ByteSink {
 public:
  // The writer writes a message's header, then its body.
  bool Write(std::string_view bytes) override {
    if (bytes.rfind("Content-Length: ", 0) == 0) return true;
    std::lock_guard<std::mutex> lock(mutex_);
    all_.push_back(json::parse(bytes));
    arrived_.notify_all();
    return true;
  }
  // Waits until done(messages) holds; the messages then.
  std::vector<json> WaitFor(const std::function<bool(const std::vector<json>&)>& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    EXPECT_TRUE(arrived_.wait_for(lock, std::chrono::seconds(60), [&] { return done(all_); }));
    return all_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<json> all_;
};

// The publications for the document, in order.
std::vector<json> Published(const std::vector<json>& messages) {
  std::vector<json> out;
  for (const json& m : messages)
    if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == kUri)
      out.push_back(m["params"]);
  return out;
}

std::vector<int> Versions(const std::vector<json>& messages) {
  std::vector<int> versions;
  for (const json& p : Published(messages)) versions.push_back(p["version"]);
  return versions;
}

bool HasVersion(const std::vector<json>& messages, int version) {
  std::vector<int> versions = Versions(messages);
  return std::find(versions.begin(), versions.end(), version) != versions.end();
}

const json* Response(const std::vector<json>& messages, int id) {
  for (const json& m : messages)
    if (m.contains("id") && m["id"] == id) return &m;
  return nullptr;
}

json Message(const char* method, json params, int id = 0) {
  json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  if (id) m["id"] = id;
  return m;
}

json Open(const std::string& text) {
  return Message("textDocument/didOpen",
                 {{"textDocument", {{"uri", kUri}, {"languageId", "qel"}, {"version", 1}, {"text", text}}}});
}

json Place(size_t line, size_t character) { return {{"line", line}, {"character", character}}; }

json Change(int version, const std::string& text) {
  return Message("textDocument/didChange",
                 {{"textDocument", {{"uri", kUri}, {"version", version}}}, {"contentChanges", {{{"text", text}}}}});
}

// Replaces [from, to) of line `line`.
json Ranged(int version, size_t line, size_t from, size_t to, const std::string& text) {
  json change = {{"range", {{"start", Place(line, from)}, {"end", Place(line, to)}}}, {"text", text}};
  return Message("textDocument/didChange",
                 {{"textDocument", {{"uri", kUri}, {"version", version}}}, {"contentChanges", {change}}});
}

json Hover(int id, size_t line, size_t character) {
  return Message("textDocument/hover", {{"textDocument", {{"uri", kUri}}}, {"position", Place(line, character)}}, id);
}

json Request(int id, const char* method) { return Message(method, json::object(), id); }

// A threaded server whose worker waits in its first translation until
// Release; it counts the translations of documents it makes.
class LspOrdering : public ::testing::Test {
 protected:
  LspOrdering() {
    lsp::ServerProbe::BeforeAnalysis(server_, [this](const lsp::Server::Snapshot&) {
      int n;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        n = ++translations_;
      }
      if (n > 1) return;
      entered_.set_value();
      gate_.wait();
    });
    Send(Request(1, "initialize"));
  }
  ~LspOrdering() override { Release(); }

  void Send(const json& message) { server_.Handle(message.dump()); }
  // Opens the document; the worker is then held in its translation.
  void OpenHeld(const std::string& text) {
    Send(Open(text));
    entered_.get_future().wait();
  }
  void Release() {
    if (!released_) released_ = true, release_.set_value();
  }
  int Translations() {
    std::lock_guard<std::mutex> lock(mutex_);
    return translations_;
  }
  // The diagnostics a server publishes for text, made here on a translator
  // of the test's own.
  static json DiagnosticsOfText(const std::string& text, int version) {
    qel2json::Translator translator;
    lsp::Analysis analysis(std::make_shared<const std::string>(text), version, translator);
    return lsp::DiagnosticsOf(analysis, kUri, lsp::Encoding::Utf16);
  }

  Messages messages_;
  lsp::MessageWriter writer_{messages_};

 private:
  std::promise<void> entered_, release_;
  std::shared_future<void> gate_ = release_.get_future().share();
  bool released_ = false;
  std::mutex mutex_;
  int translations_ = 0;

 protected:
  lsp::Server server_{writer_, /*threaded=*/true};  // last: its worker uses the members above
};

const std::string kTail = " < > < > \"c\" ISEXTERN < > < > < > < > < > < > < > < > < > < >\n";
const std::string kSystem = "SYSTEM LINEAR < >" + kTail;
const std::string kSystemType = "SYSTEMTYPE LINEAR < >" + kTail;

// A hover between two changes is answered on the text before the second,
// from the translation its update made: the first change is translated and
// published, not replaced by the second.
TEST_F(LspOrdering, ChangeHoverChange) {
  OpenHeld(kSystem + ";");
  Send(Change(2, kSystem));
  Send(Hover(2, 0, 3));
  Send(Change(3, kSystemType));
  Release();
  std::vector<json> all = messages_.WaitFor([](auto& m) { return HasVersion(m, 3) && Response(m, 2); });
  EXPECT_EQ(Versions(all), (std::vector<int>{1, 2, 3}));
  const json* hover = Response(all, 2);
  ASSERT_TRUE(hover);
  EXPECT_EQ((*hover)["result"]["contents"]["value"].get<std::string>().rfind("**SYSTEM** (", 0), 0u) << *hover;
  EXPECT_EQ((*hover)["result"]["range"]["end"], Place(0, 6));
  EXPECT_EQ(Translations(), 3);
}

// Formatting between two changes formats the text before the second: not
// the text formatted already before it, nor the one after.
TEST_F(LspOrdering, ChangeFormattingChange) {
  const std::string messy = "SYSTEM   LINEAR < >\n\t" + kTail;
  OpenHeld(kSystem);
  Send(Change(2, messy));
  Send(Message("textDocument/formatting",
               {{"textDocument", {{"uri", kUri}}}, {"options", {{"tabSize", 2}, {"insertSpaces", true}}}}, 2));
  Send(Change(3, "-- another text\n" + kSystemType));
  Release();
  std::vector<json> all = messages_.WaitFor([](auto& m) { return HasVersion(m, 3) && Response(m, 2); });
  const json& edits = (*Response(all, 2))["result"];
  ASSERT_EQ(edits.size(), 1u) << edits;
  EXPECT_EQ(edits[0]["newText"], kSystem);
  EXPECT_EQ(edits[0]["range"]["end"], Place(2, 0));
}

// Updates with no request between them: only the last is translated.  The
// ranged change applies to the full text before it, not to a later one,
// and the version published is the last one's.
TEST_F(LspOrdering, FullRangedFull) {
  const std::string typo = "SYSTEM LINEAR < > < > < > \"c\" ISEXTERN < > < > < > < > INTEGE < > < > < > < > < > < >\n";
  OpenHeld(kSystem);
  Send(Change(2, kSystem + ";"));
  Send(Ranged(3, 1, 0, 1, "+"));
  Send(Change(4, typo));
  Release();
  std::vector<json> all = messages_.WaitFor([](auto& m) { return HasVersion(m, 4); });
  EXPECT_EQ(Versions(all), (std::vector<int>{1, 4}));
  EXPECT_EQ(Published(all).back(), DiagnosticsOfText(typo, 4));
  EXPECT_EQ(Translations(), 2);
}

// A burst of 100 changes, whole texts and ranged edits mixed, the last
// two ranged: the last diagnostics published are those of the last text,
// worked out here the way the changes describe it.
TEST_F(LspOrdering, ABurstOfAHundredChanges) {
  OpenHeld(kSystem);
  std::string text = kSystem;
  for (int version = 2; version <= 101; ++version) {
    if (version % 3 == 0) {
      text = kSystem + std::string(size_t(version % 7), '\n') + ";";
      Send(Change(version, text));
    } else {
      std::string comment = "-- " + std::to_string(version) + "\n";
      text.insert(0, comment);
      Send(Ranged(version, 0, 0, 0, comment));
    }
  }
  Release();
  std::vector<json> all = messages_.WaitFor([](auto& m) { return HasVersion(m, 101); });
  EXPECT_EQ(Versions(all), (std::vector<int>{1, 101}));
  EXPECT_EQ(Published(all).back(), DiagnosticsOfText(text, 101));
}

// Requests waiting when shutdown and exit come are all answered, shutdown
// last, each on its own text: the hover after the change on the changed
// text, though the update it follows is dropped at exit.
TEST_F(LspOrdering, ShutdownAndExitWithRequestsWaiting) {
  OpenHeld(kSystem);
  for (int id = 2; id <= 4; ++id) Send(Hover(id, 0, 1));
  Send(Message("textDocument/documentSymbol", {{"textDocument", {{"uri", kUri}}}}, 5));
  Send(Change(2, kSystemType));
  Send(Hover(6, 0, 1));
  Send(Request(7, "shutdown"));
  EXPECT_FALSE(server_.Handle(json{{"jsonrpc", "2.0"}, {"method", "exit"}}.dump()));
  std::thread releaser([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Release();
  });
  lsp::ServerProbe::Finish(server_);
  releaser.join();
  std::vector<json> all = messages_.WaitFor([](auto& m) { return Response(m, 7) != nullptr; });
  std::vector<int> answered;
  for (const json& m : all)
    if (m.contains("id") && m["id"] != 1) answered.push_back(m["id"]);
  EXPECT_EQ(answered, (std::vector<int>{2, 3, 4, 5, 6, 7}));
  for (int id : {2, 3, 4, 6}) {
    std::string keyword = id == 6 ? "**SYSTEMTYPE** (" : "**SYSTEM** (";
    EXPECT_EQ((*Response(all, id))["result"]["contents"]["value"].get<std::string>().rfind(keyword, 0), 0u) << id;
  }
}

}  // namespace
