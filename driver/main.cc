// qel2json [FILE]: translates a system description into one JSON document.
//
// The document goes to standard output and every diagnostic, as it is
// made, to standard error; the exit status is the translation's (0, or 1
// after an ERROR or an early end), 1 for a bad command line and 2 for an
// input that cannot be opened.  Every argument is the file name, also one
// that begins with a minus sign.
#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>

#include "driver/console.h"
#include "qel2json.hpp"

namespace {

void Usage(const char* progname) {
  fprintf(stderr, "Usage: %s [options] parameters\n", progname);
  fputs("  Items marked with * may be repeated.\n", stderr);
  fputs("  Options:\n", stderr);
  fputs("  Parameters:\n", stderr);
  fputs("    InputFile File to be processed\n", stderr);
}

}  // namespace

int main(int argc, char** argv) {
  // Null only when argc is 0, and then no message names the program.
  const char* progname = argv[0];
  if (argc > 2) {
    Usage(progname);
    return 1;
  }
  int fd = 0;
  const char* name = "stdin";
  if (argc == 2) {
    name = argv[1];
    fd = console::OpenForReading(progname, name);
    if (fd < 0) return 2;
  }
  try {
    qel2json::Translator translator;
    // The library reads and writes as read(2) and write(2) do, so the
    // descriptors' own calls serve.
    qel2json::Result result = translator.translate_stream(
        [fd](char* buffer, size_t size) { return console::ReadSome(fd, buffer, size); }, name,
        [](const char* bytes, size_t size) { return long(write(STDOUT_FILENO, bytes, size)); },
        console::ShowDiagnostic);
    return result.status();
  } catch (const std::bad_alloc&) {
    fputs("memory exhausted\n", stderr);
    return 1;
  }
}
