// The language server: reads messages, answers requests and publishes
// diagnostics, following the protocol's lifecycle (initialize, initialized,
// shutdown, exit).
//
// The message loop only parses and dispatches; every document is kept,
// translated and read on the worker, which owns them.  Nothing escapes a
// message: a malformed one is answered with an error and the next is read.
#pragma once

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

  // Reads and handles messages until "exit" or the end of the input.
  // Returns the exit status: 0 after shutdown, 1 without it.
  int Run(MessageReader& in);

  // Handles one message's body; false after "exit".
  bool Handle(const std::string& body);

  // What a request on a document asks about.
  struct DocumentQuery {
    std::string uri;
    Position position;     // hover
    Position from, to;     // code actions
  };
  using DocumentRequest = json (*)(const Analysis& analysis, qel2json::Translator& translator,
                                   const DocumentQuery& query, Encoding encoding);

 private:
  struct Documents;  // the worker's
  using Handler = void (Server::*)(const json& id, const json& params);

  void Dispatch(const std::string& method, const json& id, const json& params);
  void Respond(const json& id, json result);
  void Fail(const json& id, int code, const std::string& message);
  // A document's diagnostics: what DiagnosticsOf makes.
  void Publish(json diagnostics);
  void Send(const json& message);

  // Requests and notifications.
  void Initialize(const json& id, const json& params);
  void Shutdown(const json& id, const json& params);
  void DidOpen(const json& id, const json& params);
  void DidChange(const json& id, const json& params);
  void DidClose(const json& id, const json& params);
  void Replace(const std::string& uri, int version, std::string text);
  // Requests answered from a document's analysis.
  void OnDocument(const json& id, DocumentQuery query, DocumentRequest answer);

  MessageWriter* out_;
  const json noObject_ = json::object();  // what a missing object reads as
  Encoding encoding_ = Encoding::Utf16;
  bool initialized_ = false;
  bool shuttingDown_ = false;
  bool exited_ = false;
  std::unique_ptr<Documents> documents_;
  Worker worker_;  // last: stopped before the documents go
};

}  // namespace lsp
