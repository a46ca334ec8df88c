// A program with names of its own that are common words, linked with the
// static library: it builds (no name is defined twice) and translates.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "qel2json.h"

enum Severity { NOTE, WARNING, ERROR, DEADLY };
struct Diagnostic {
  Severity severity;
};
struct Token {
  int code;
};
struct Tree {
  int Clear() { return 0; }
};
class Parser {
 public:
  int Parse();
};
int Parser::Parse() { return 1; }
class Reports {
 public:
  void Add(std::string_view text);
};
void Reports::Add(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }
int CharImage(int byte, char* image) {
  image[0] = char(byte);
  return 1;
}
namespace json {
int Print() { return 0; }
}  // namespace json

int main() {
  Parser parser;
  Diagnostic d = {NOTE};
  char image[4];
  qel2json_translator* t = qel2json_translator_new();
  const char* text = "SYSTEM LINEAR < \"a\" > ?";
  qel2json_result* r = qel2json_translate(t, text, std::strlen(text), "own.qel");
  Reports().Add(qel2json_result_diagnostics_text(r, nullptr));
  int status = qel2json_result_status(r);
  qel2json_result_free(r);
  qel2json_translator_free(t);
  return status == 1 && parser.Parse() == 1 && d.severity == NOTE && CharImage('x', image) == 1 ? 0 : 1;
}
