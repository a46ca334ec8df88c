#include "lsp/server.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "lsp/formatting.h"
#include "lsp/outline.h"

namespace lsp {

namespace {

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

// Parameters that are not what the method takes.
struct ParamsError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const json& Member(const json& object, const char* key) {
  if (!object.is_object()) throw ParamsError(std::string("params: an object with \"") + key + "\" expected");
  auto found = object.find(key);
  if (found == object.end()) throw ParamsError(std::string("params: \"") + key + "\" missing");
  return *found;
}

std::string StringAt(const json& object, const char* key) {
  const json& value = Member(object, key);
  if (!value.is_string()) throw ParamsError(std::string("params: \"") + key + "\" must be a string");
  return value.get<std::string>();
}

int IntAt(const json& object, const char* key) {
  const json& value = Member(object, key);
  if (!value.is_number_integer()) throw ParamsError(std::string("params: \"") + key + "\" must be an integer");
  return value.get<int>();
}

size_t CountAt(const json& object, const char* key) {
  const json& value = Member(object, key);
  if (!value.is_number_unsigned()) throw ParamsError(std::string("params: \"") + key + "\" must be a number >= 0");
  return value.get<size_t>();
}

Position PositionAt(const json& object, const char* key) {
  const json& p = Member(object, key);
  return {CountAt(p, "line"), CountAt(p, "character")};
}

std::string UriOf(const json& params) { return StringAt(Member(params, "textDocument"), "uri"); }

// Whether a list of encodings the client offers holds UTF-8.
bool OffersUtf8(const json& capabilities, const char* section, const char* key) {
  const json* list = &capabilities;
  if (section) {
    auto found = capabilities.find(section);
    if (found == capabilities.end() || !found->is_object()) return false;
    list = &*found;
  }
  auto encodings = list->find(key);
  if (encodings == list->end() || !encodings->is_array()) return false;
  for (const json& e : *encodings)
    if (e == "utf-8") return true;
  return false;
}

// What the server does, as it tells the client in its answer to
// initialize; the position encoding and the semantic tokens' legend are
// filled in.  Texts come whole on every change ("change": 1).
constexpr const char* kCapabilities = R"({
  "textDocumentSync": {"openClose": true, "change": 1, "save": {"includeText": false}},
  "documentSymbolProvider": true,
  "semanticTokensProvider": {"full": true},
  "hoverProvider": true,
  "foldingRangeProvider": true,
  "codeActionProvider": {"codeActionKinds": ["quickfix"]},
  "documentFormattingProvider": true
})";

json Capabilities(Encoding encoding) {
  json capabilities = json::parse(kCapabilities);
  capabilities["positionEncoding"] = encoding == Encoding::Utf8 ? "utf-8" : "utf-16";
  capabilities["semanticTokensProvider"]["legend"] = SemanticTokenLegend();
  return capabilities;
}

// Replaces the range [start, end) of text: ranges come from clients that
// send them although the server asked for whole texts.
void Edit(std::string& text, Position start, Position end, const std::string& with, Encoding encoding) {
  LineIndex lines(text);
  size_t begin = lines.OffsetOf(start, encoding);
  text.replace(begin, std::max(begin, lines.OffsetOf(end, encoding)) - begin, with);
}

// Requests on a document: their parameters are read on the message loop
// (only what is needed: a message's JSON may nest too deeply to be copied),
// then answered from the document's analysis, null when it is not open.
Server::DocumentQuery QueryOf(const json& params, bool position, bool range) {
  Server::DocumentQuery q;
  q.uri = UriOf(params);
  if (position) q.position = PositionAt(params, "position");
  if (range) {
    const json& r = Member(params, "range");
    q.from = PositionAt(r, "start");
    q.to = PositionAt(r, "end");
  }
  return q;
}

Reply Symbols(const Analysis& a, qel2json::Translator& t, const Server::DocumentQuery&, Encoding e) {
  return DocumentSymbolsOf(a, t, e);
}
Reply Tokens(const Analysis& a, qel2json::Translator&, const Server::DocumentQuery&, Encoding e) {
  return SemanticTokensOf(a, e);
}
Reply Folding(const Analysis& a, qel2json::Translator&, const Server::DocumentQuery&, Encoding) {
  return FoldingRangesOf(a);
}
Reply Hover(const Analysis& a, qel2json::Translator& t, const Server::DocumentQuery& q, Encoding e) {
  return HoverOf(a, t, q.position, e);
}
Reply Actions(const Analysis& a, qel2json::Translator&, const Server::DocumentQuery& q, Encoding e) {
  return CodeActionsOf(a, q.uri, q.from, q.to, e);
}
// The formatting options (tab size, ...) are not read: the layout is fixed.
Reply Format(const Analysis& a, qel2json::Translator& t, const Server::DocumentQuery&, Encoding e) {
  return FormattingOf(a, t, e);
}

struct DocumentMethod {
  std::string_view name;
  Server::DocumentRequest answer;
  bool position;
  bool range;
};

// The requests on a document and what each reads of its parameters.
constexpr DocumentMethod kDocumentRequests[] = {
    {"textDocument/documentSymbol", Symbols, false, false},
    {"textDocument/semanticTokens/full", Tokens, false, false},
    {"textDocument/foldingRange", Folding, false, false},
    {"textDocument/hover", Hover, true, false},
    {"textDocument/codeAction", Actions, false, true},
    {"textDocument/formatting", Format, false, false},
};

template <typename Entry, size_t N>
const Entry* Find(const Entry (&table)[N], std::string_view method) {
  for (const Entry& e : table)
    if (e.name == method) return &e;
  return nullptr;
}

}  // namespace

// The worker's: the translator, and for each open document the analysis
// of the text its last update brought.
struct Server::Analyses {
  qel2json::Translator translator;
  std::map<std::string, std::shared_ptr<const Analysis>> latest;
};

Server::Server(MessageWriter& out, bool threaded)
    : out_(&out), analyses_(std::make_unique<Analyses>()), worker_(threaded) {}

Server::~Server() { worker_.Finish(); }

int Server::Run(MessageReader& in) {
  std::string body;
  for (;;) {
    MessageReader::Status status = in.Next(&body);
    if (status == MessageReader::Status::End) break;
    if (status == MessageReader::Status::Skipped) {
      fputs("qel2json-lsp: skipped a message without a valid Content-Length\n", stderr);
      continue;
    }
    if (!Handle(body)) break;
  }
  worker_.Finish();
  return shuttingDown_ ? 0 : 1;
}

bool Server::Handle(const std::string& body) {
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    Fail(nullptr, kParseError, "Parse error: the message is no JSON");
    return true;
  }
  if (!message.is_object()) {
    Fail(nullptr, kInvalidRequest, "Invalid request: the message is no JSON object");
    return true;
  }
  auto method = message.find("method");
  auto id = message.find("id");
  bool request = id != message.end();
  if (request && !id->is_number_integer() && !id->is_string()) {
    Fail(nullptr, kInvalidRequest, "Invalid request: an id must be an integer or a string");
    return true;
  }
  json requestId = request ? *id : json();
  if (method == message.end() || !method->is_string()) {
    // A response: the server sends no requests, so none is awaited.
    if (request && (message.contains("result") || message.contains("error"))) return true;
    Fail(requestId, kInvalidRequest, "Invalid request: no method");
    return true;
  }
  auto found = message.find("params");
  const json& params = found != message.end() ? *found : noObject_;
  try {
    Dispatch(method->get<std::string>(), requestId, params);
  } catch (const ParamsError& e) {
    if (request)
      Fail(requestId, kInvalidParams, e.what());
    else
      fprintf(stderr, "qel2json-lsp: %s ignored: %s\n", method->get<std::string>().c_str(), e.what());
  } catch (const std::exception& e) {
    if (request) Fail(requestId, kInternalError, e.what());
  }
  return !exited_;
}

void Server::Dispatch(const std::string& method, const json& id, const json& params) {
  bool request = !id.is_null();
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ && method != "initialize") {
    if (request) Fail(id, kServerNotInitialized, "The server is not initialized");
    return;
  }
  if (shuttingDown_) {
    if (request) Fail(id, kInvalidRequest, "The server is shutting down");
    return;
  }
  struct Named {
    std::string_view name;
    Handler handle;
  };
  static constexpr Named kRequests[] = {
      {"initialize", &Server::Initialize},
      {"shutdown", &Server::Shutdown},
  };
  static constexpr Named kNotifications[] = {
      {"textDocument/didOpen", &Server::DidOpen},
      {"textDocument/didChange", &Server::DidChange},
      {"textDocument/didClose", &Server::DidClose},
  };
  if (request) {
    if (const Named* r = Find(kRequests, method)) return (this->*r->handle)(id, params);
    if (const DocumentMethod* r = Find(kDocumentRequests, method))
      return OnDocument(id, QueryOf(params, r->position, r->range), r->answer);
    Fail(id, kMethodNotFound, "Method not found: " + method);
  } else if (const Named* n = Find(kNotifications, method)) {
    (this->*n->handle)(id, params);
  }
  // Other notifications ("initialized", "$/cancelRequest", didSave, ...)
  // ask for nothing.
}

// Type 2: a warning.
void Server::Warn(const std::string& message) {
  json params = json::object();
  params["type"] = 2;
  params["message"] = message;
  Send(Envelope("method", "window/showMessage", "params", std::move(params)));
}

void Server::Send(const json& message) {
  out_->Send(message.dump(-1, ' ', false, json::error_handler_t::replace));
}

// Every message the server sends: the protocol's version and two members,
// an id or a method, and what it carries.
json Server::Envelope(const char* key, json value, const char* carries, json carried) {
  json message = json::object();
  message["jsonrpc"] = "2.0";
  message[key] = std::move(value);
  message[carries] = std::move(carried);
  return message;
}

void Server::Respond(const json& id, json result) { Send(Envelope("id", id, "result", std::move(result))); }

void Server::Fail(const json& id, int code, const std::string& message) {
  json error = json::object();
  error["code"] = code;
  error["message"] = message;
  Send(Envelope("id", id, "error", std::move(error)));
}

void Server::Publish(json diagnostics) {
  Send(Envelope("method", "textDocument/publishDiagnostics", "params", std::move(diagnostics)));
}

// UTF-8 positions where the client offers them (in the protocol's
// general.positionEncodings, or the older offsetEncoding list), else UTF-16.
void Server::Initialize(const json& id, const json& params) {
  if (initialized_) return Fail(id, kInvalidRequest, "The server is initialized already");
  auto found = params.is_object() ? params.find("capabilities") : params.end();
  const json& capabilities = params.is_object() && found != params.end() ? *found : noObject_;
  bool general = OffersUtf8(capabilities, "general", "positionEncodings");
  bool older = OffersUtf8(capabilities, nullptr, "offsetEncoding");
  encoding_ = general || older ? Encoding::Utf8 : Encoding::Utf16;
  json result = {{"capabilities", Capabilities(encoding_)},
                 {"serverInfo", {{"name", "qel2json-lsp"}, {"version", std::string(qel2json::version())}}}};
  if (older && !general) result["offsetEncoding"] = "utf-8";
  initialized_ = true;
  Respond(id, std::move(result));
}

// Answered after every job before it, so that a client that waits for the
// answer before it sends exit has all its other answers too.
void Server::Shutdown(const json& id, const json&) {
  shuttingDown_ = true;
  worker_.Post(Worker::Kind::Answer, "", [this, id] { Respond(id, nullptr); });
}

void Server::DidOpen(const json&, const json& params) {
  const json& document = Member(params, "textDocument");
  Update(StringAt(document, "uri"), IntAt(document, "version"), StringAt(document, "text"));
}

void Server::Update(const std::string& uri, int version, std::string text) {
  Snapshot snapshot{uri, std::make_shared<const std::string>(std::move(text)), version};
  open_[uri] = snapshot;
  Encoding encoding = encoding_;
  worker_.Post(Worker::Kind::Update, uri, [this, snapshot, encoding] {
    std::shared_ptr<const Analysis> analysis = Analyse(snapshot);
    Publish(DiagnosticsOf(*analysis, snapshot.uri, encoding));
    analyses_->latest[snapshot.uri] = std::move(analysis);
  });
}

// The changes apply to the text as the message loop has it, each to the
// text the one before made: the last change without a range replaces the
// whole, the ranged ones after it edit that.  A change to a document that
// is not open is dropped.
void Server::DidChange(const json&, const json& params) {
  const json& document = Member(params, "textDocument");
  std::string uri = StringAt(document, "uri");
  int version = IntAt(document, "version");
  const json& changes = Member(params, "contentChanges");
  if (!changes.is_array() || changes.empty()) throw ParamsError("params: contentChanges must be a list of changes");
  size_t whole = changes.size();  // the last change without a range
  for (size_t i = 0; i < changes.size(); ++i) {
    if (!Member(changes[i], "text").is_string()) throw ParamsError("params: a change's \"text\" must be a string");
    if (!changes[i].contains("range")) whole = i;
  }
  auto found = open_.find(uri);
  if (found == open_.end()) return;
  std::string text = whole < changes.size() ? changes[whole]["text"].get<std::string>() : *found->second.text;
  for (size_t i = whole < changes.size() ? whole + 1 : 0; i < changes.size(); ++i) {
    const json& range = Member(changes[i], "range");
    Edit(text, PositionAt(range, "start"), PositionAt(range, "end"), changes[i]["text"].get<std::string>(), encoding_);
  }
  Update(uri, version, std::move(text));
}

void Server::DidClose(const json&, const json& params) {
  std::string uri = UriOf(params);
  open_.erase(uri);
  worker_.Post(Worker::Kind::Update, uri, [this, uri] {
    analyses_->latest.erase(uri);
    json cleared = json::object();  // a closed document shows no diagnostics
    cleared["uri"] = uri;
    cleared["diagnostics"] = json::array();
    Publish(std::move(cleared));
  });
}

void Server::OnDocument(const json& id, DocumentQuery query, DocumentRequest answer) {
  auto found = open_.find(query.uri);
  Snapshot snapshot = found != open_.end() ? found->second : Snapshot{query.uri, nullptr, 0};
  Encoding encoding = encoding_;
  std::string uri = query.uri;
  worker_.Post(Worker::Kind::Answer, std::move(uri), [this, id, snapshot, query = std::move(query), answer, encoding] {
    if (!snapshot.text) return Respond(id, nullptr);
    try {
      Reply reply = answer(*AnalysisOf(snapshot), analyses_->translator, query, encoding);
      if (!reply.warning.empty()) Warn(reply.warning);
      Respond(id, std::move(reply.result));
    } catch (const std::exception& e) {
      Fail(id, kInternalError, e.what());
    }
  });
}

std::shared_ptr<const Analysis> Server::AnalysisOf(const Snapshot& snapshot) {
  auto found = analyses_->latest.find(snapshot.uri);
  if (found != analyses_->latest.end() && found->second->Of(snapshot.text)) return found->second;
  return Analyse(snapshot);
}

std::shared_ptr<const Analysis> Server::Analyse(const Snapshot& snapshot) {
  if (beforeAnalysis_) beforeAnalysis_(snapshot);
  return std::make_shared<const Analysis>(snapshot.text, snapshot.version, analyses_->translator);
}

}  // namespace lsp
