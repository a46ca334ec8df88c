#include "driver/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace console {

bool WriteAll(int fd, const char* bytes, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, bytes, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = EIO;
      return false;
    }
    bytes += w;
    n -= size_t(w);
  }
  return true;
}

void ShowDiagnostic(const qel2json::Diagnostic& diagnostic) {
  std::string line = diagnostic.text + '\n';
  // A failure is not reported, as there is nowhere left to report it.
  (void)WriteAll(STDERR_FILENO, line.data(), line.size());
}

int OpenForReading(const char* program, const std::string& name) {
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fprintf(stderr, "%s: cannot open %s for reading\n", program, name.c_str());
  return fd;
}

long ReadSome(int fd, char* buffer, size_t size) { return long(read(fd, buffer, size)); }

}  // namespace console
