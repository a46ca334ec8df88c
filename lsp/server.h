// The language server: reads messages, answers requests and publishes
// diagnostics, following the protocol's lifecycle (initialize, initialized,
// shutdown, exit).
//
// The message loop owns every open document's text and version and applies
// each change at once, in the order the changes come.  What the worker gets
// is a snapshot: the text as it stood when the change or the request came,
// which nothing changes any more.  An update translates its snapshot and
// publishes its diagnostics; a request is answered on its own snapshot (on
// the update's translation when that was of the same text); shutdown is
// answered after everything that came before it.  Nothing escapes a
// message: a malformed one is answered with an error and the next is read.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "lsp/analysis.h"
#include "lsp/transport.h"
#include "lsp/worker.h"

namespace lsp {

class Server {
 public:
  // threaded: translate on a worker thread (see Worker).
  Server(MessageWriter& out, bool threaded);
  ~Server();

  // Reads and handles messages until "exit" or the end of the input, and
  // answers the requests still waiting.  Returns the exit status: 0 after
  // shutdown, 1 without it.
  int Run(MessageReader& in);

  // Handles one message's body; false after "exit".
  bool Handle(const std::string& body);

  // A document's text at one moment: what the worker reads.
  struct Snapshot {
    std::string uri;
    std::shared_ptr<const std::string> text;  // null: the document is not open
    int version = 0;
  };

  // What a request on a document asks about.
  struct DocumentQuery {
    std::string uri;
    Position position;     // hover
    Position from, to;     // code actions
  };
  using DocumentRequest = Reply (*)(const Analysis& analysis, qel2json::Translator& translator,
                                    const DocumentQuery& query, Encoding encoding);

 private:
  struct Analyses;  // the worker's
  using Handler = void (Server::*)(const json& id, const json& params);

  void Dispatch(const std::string& method, const json& id, const json& params);
  void Respond(const json& id, json result);
  void Fail(const json& id, int code, const std::string& message);
  // A document's diagnostics: what DiagnosticsOf makes.
  void Publish(json diagnostics);
  // A warning the editor shows its user.
  void Warn(const std::string& message);
  void Send(const json& message);
  static json Envelope(const char* key, json value, const char* carries, json carried);

  // Requests and notifications.
  void Initialize(const json& id, const json& params);
  void Shutdown(const json& id, const json& params);
  void DidOpen(const json& id, const json& params);
  void DidChange(const json& id, const json& params);
  void DidClose(const json& id, const json& params);
  // The document's text is now `text`: kept, and translated on the worker.
  void Update(const std::string& uri, int version, std::string text);
  // Requests answered from a document's analysis.
  void OnDocument(const json& id, DocumentQuery query, DocumentRequest answer);

  // On the worker: the analysis of a snapshot, the one its update made
  // when there is one.
  std::shared_ptr<const Analysis> AnalysisOf(const Snapshot& snapshot);
  std::shared_ptr<const Analysis> Analyse(const Snapshot& snapshot);

  MessageWriter* out_;
  const json noObject_ = json::object();  // what a missing object reads as
  Encoding encoding_ = Encoding::Utf16;
  bool initialized_ = false;
  bool shuttingDown_ = false;
  bool exited_ = false;
  std::map<std::string, Snapshot> open_;  // the message loop's documents
  std::unique_ptr<Analyses> analyses_;
  // Called on the worker before each translation of a snapshot: the tests
  // hold the worker there to see in which order it takes its jobs.
  std::function<void(const Snapshot&)> beforeAnalysis_;
  friend class ServerProbe;
  Worker worker_;  // last: finished before what its jobs use goes
};

}  // namespace lsp
