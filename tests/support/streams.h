// Texts handed to the library's streams and taken from the generator's:
// the one way the tests feed a stream from a string and turn what a writer
// of a FILE writes into one.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

// Hands out text in reads of what is asked for, or of at most `piece`
// bytes where piece is set, as a reader of a pipe gets it.  A callable for
// the C++ interface, and through Read the read function of a
// qel2json_stream whose context it is.
struct TextSource {
  std::string_view text;
  size_t piece = 0;
  size_t at = 0;

  long operator()(char* buffer, size_t size) {
    size_t n = std::min(size, text.size() - at);
    if (piece) n = std::min(n, piece);
    text.copy(buffer, n, at);
    at += n;
    return long(n);
  }
  static long Read(void* context, char* buffer, size_t size) {
    return (*static_cast<TextSource*>(context))(buffer, size);
  }
};

// What `write` writes to a FILE, as a string.
inline std::string WrittenBy(const std::function<void(FILE*)>& write) {
  char* bytes = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&bytes, &size);
  write(out);
  fclose(out);
  std::string text(bytes, size);
  free(bytes);
  return text;
}
