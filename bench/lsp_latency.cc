// lsp_latency [--server PATH] [--bytes N] [--changes N] [--memory-changes N]
//
// How long diagnostics take to arrive after a change, in the language
// server as an editor runs it: starts qel2json-lsp, opens a generated
// description (1 MB by default), then changes it N times (100), each time
// waiting for the diagnostics of the new version, and prints the median and
// the maximum time from writing the change (already framed) to reading its
// diagnostics.
// Each change edits one string, so every text is new and valid.  Then it
// goes on for --memory-changes more (10,000) and prints the server's
// resident memory every tenth of the way, which must stay flat.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/generator.h"

extern char** environ;

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

class ServerProcess {
 public:
  explicit ServerProcess(const std::string& program) {
    int in[2], out[2];
    if (pipe(in) || pipe(out)) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ))
      throw std::runtime_error("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~ServerProcess() {
    close(to_);
    close(from_);
    waitpid(pid_, nullptr, 0);
  }

  static std::string Framed(const json& message) {
    std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  void Send(const json& message) { Write(Framed(message)); }
  void Write(const std::string& framed) {
    for (size_t at = 0; at < framed.size();) {
      ssize_t n = write(to_, framed.data() + at, framed.size() - at);
      if (n <= 0) throw std::runtime_error("the server went away");
      at += size_t(n);
    }
  }

  json Receive() {
    std::string header;
    while (header.size() < 4 || header.compare(header.size() - 4, 4, "\r\n\r\n") != 0) header += Byte();
    size_t length = std::stoul(header.substr(header.find(':') + 1));
    std::string body(length, '\0');
    for (size_t at = 0; at < length;) {
      ssize_t n = read(from_, body.data() + at, length - at);
      if (n <= 0) throw std::runtime_error("the server went away");
      at += size_t(n);
    }
    return json::parse(body);
  }

  // Reads until the diagnostics of `version` arrive; returns their count.
  size_t AwaitDiagnostics(int version) {
    for (;;) {
      json m = Receive();
      if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"].value("version", -1) == version)
        return m["params"]["diagnostics"].size();
    }
  }

  long ResidentKilobytes() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
  }

 private:
  char Byte() {
    char c;
    if (read(from_, &c, 1) != 1) throw std::runtime_error("the server went away");
    return c;
  }
  pid_t pid_ = 0;
  int to_ = -1, from_ = -1;
};

std::string Description(uint64_t bytes) {
  char* data = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&data, &size);
  bench::WriteDescription(out, bytes);
  fclose(out);
  std::string text(data, size);
  free(data);
  return text;
}

json Change(const std::string& uri, int version, const std::string& text) {
  return {{"jsonrpc", "2.0"},
          {"method", "textDocument/didChange"},
          {"params", {{"textDocument", {{"uri", uri}, {"version", version}}}, {"contentChanges", {{{"text", text}}}}}}};
}

}  // namespace

int main(int argc, char** argv) {
  std::string server = "qel2json-lsp";
  uint64_t bytes = 1000000;
  int changes = 100, memoryChanges = 10000;
  if (const char* dir = getenv("QEL_BUILD_DIR")) server = std::string(dir) + "/qel2json-lsp";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--server") server = argv[i + 1];
    else if (option == "--bytes") bytes = std::strtoull(argv[i + 1], nullptr, 10);
    else if (option == "--changes") changes = std::atoi(argv[i + 1]);
    else if (option == "--memory-changes") memoryChanges = std::atoi(argv[i + 1]);
    else {
      fprintf(stderr, "usage: lsp_latency [--server PATH] [--bytes N] [--changes N] [--memory-changes N]\n");
      return 2;
    }
  }
  try {
    std::string text = Description(bytes);
    // The place each change edits: the first string's text.
    size_t edit = text.find('"') + 1;
    ServerProcess p(server);
    p.Send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    p.Receive();
    p.Send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    const std::string uri = "file:///bench/description.qel";
    p.Send({{"jsonrpc", "2.0"},
            {"method", "textDocument/didOpen"},
            {"params", {{"textDocument", {{"uri", uri}, {"languageId", "qel"}, {"version", 1}, {"text", text}}}}}});
    p.AwaitDiagnostics(1);

    std::vector<double> ms;
    int version = 1;
    auto change = [&] {
      text[edit] = char('a' + version % 26);
      ++version;
      // The client's own work on the message is not the server's latency.
      std::string framed = ServerProcess::Framed(Change(uri, version, text));
      auto start = Clock::now();
      p.Write(framed);
      size_t diagnostics = p.AwaitDiagnostics(version);
      if (diagnostics != 0) throw std::runtime_error("the generated description drew diagnostics");
      return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    for (int i = 0; i < changes; ++i) ms.push_back(change());
    std::sort(ms.begin(), ms.end());
    printf("description: %zu bytes, %d changes\n", text.size(), changes);
    printf("diagnostics after a change: median %.1f ms, max %.1f ms\n", ms[ms.size() / 2], ms.back());
    printf("resident memory after %d changes: %ld kB\n", changes, p.ResidentKilobytes());
    for (int i = 1; i <= memoryChanges; ++i) {
      change();
      if (i % std::max(1, memoryChanges / 10) == 0)
        printf("resident memory after %d more changes: %ld kB\n", i, p.ResidentKilobytes());
      fflush(stdout);
    }
    p.Send({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
    p.Send({{"jsonrpc", "2.0"}, {"method", "exit"}});
  } catch (const std::exception& e) {
    fprintf(stderr, "lsp_latency: %s\n", e.what());
    return 1;
  }
  return 0;
}
