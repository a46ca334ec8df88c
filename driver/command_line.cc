#include "driver/command_line.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "source/source_buffer.h"
#include "store/string_table.h"

DefKey InputFile = nullptr;

namespace {

// %p is the program name, %f the file name, %% a percent sign; any other
// character after a percent sign is dropped with it.
const char* const OpenErrorFormat = "%p: cannot open %f for reading";

void PrintOpenError(const char* progname, const char* file) {
  for (const char* f = OpenErrorFormat; *f; ++f) {
    if (*f != '%') {
      fputc(*f, stderr);
      continue;
    }
    switch (*++f) {
      case 'p': fputs(progname, stderr); break;
      case 'f': fputs(file, stderr); break;
      case '%': fputc('%', stderr); break;
      case '\0': --f; break;
      default: break;
    }
  }
  fputc('\n', stderr);
}

}  // namespace

void Usage(const char* progname) {
  fprintf(stderr, "Usage: %s [options] parameters\n", progname);
  fputs("  Items marked with * may be repeated.\n", stderr);
  fputs("  Options:\n", stderr);
  fputs("  Parameters:\n", stderr);
  fputs("    InputFile File to be processed\n", stderr);
  exit(1);
}

void ClpInit(int argc, char** argv) {
  const char* progname = argc > 0 && argv[0] ? argv[0] : "qel2json";
  // Every argument is the parameter, also one that begins with a minus sign.
  if (argc > 1) {
    DefKey key = NewKey();
    int text = StoreString(argv[1], int(strlen(argv[1])));
    SetProperty(ClpValue, key, text, text);
    InputFile = key;
  }
  if (argc > 2) Usage(progname);
  if (InputFile) {
    const char* file = StringAt(GetProperty(ClpValue, InputFile, 0));
    int fd = open(file, O_RDONLY);
    if (fd < 0) {
      PrintOpenError(progname, file);
      exit(2);
    }
    initBuf(file, fd);
  } else {
    initBuf("stdin", 0);
  }
}
