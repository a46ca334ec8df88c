// qel2json-lsp: the language server for system descriptions, speaking the
// Language Server Protocol on standard input and output.
//
//   qel2json-lsp [--stdio] [--sync]
//
// --stdio is accepted for clients that name the transport; --sync
// translates on the message loop itself, so that a transcript of messages
// always gives the same replies in the same order.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

#include "lsp/server.h"
#include "qel2json.hpp"

namespace {

void Usage(FILE* to) {
  fputs("Usage: qel2json-lsp [--stdio] [--sync]\n"
        "  The language server of qel2json's system descriptions: speaks the\n"
        "  Language Server Protocol on standard input and output.\n"
        "  --sync     translate on the message loop (reproducible transcripts)\n"
        "  --version  print the version\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
  bool threaded = true;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--sync")) {
      threaded = false;
    } else if (!strcmp(argv[i], "--version")) {
      printf("qel2json-lsp %s\n", std::string(qel2json::version()).c_str());
      return 0;
    } else if (!strcmp(argv[i], "--help")) {
      Usage(stdout);
      return 0;
    } else if (strcmp(argv[i], "--stdio") != 0) {
      Usage(stderr);
      return 2;
    }
  }
  // A client that goes away makes writes fail, not the process end.
  signal(SIGPIPE, SIG_IGN);
  try {
    lsp::FdSource input(STDIN_FILENO);
    lsp::FdSink output(STDOUT_FILENO);
    lsp::MessageReader reader(input);
    lsp::MessageWriter writer(output);
    lsp::Server server(writer, threaded);
    return server.Run(reader);
  } catch (const std::exception& e) {
    fprintf(stderr, "qel2json-lsp: %s\n", e.what());
    return 1;
  }
}
