// A C++ program built against an installed qel2json: translates the file
// named as its argument as the command line does.
#include <fstream>
#include <iostream>
#include <sstream>

#include <qel2json.hpp>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream file(argv[1], std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  qel2json::Translator translator;
  qel2json::Result result = translator.translate(text.str(), argv[1]);
  if (result.document()) std::cout << *result.document();
  std::cerr << result.diagnostics_text();
  return result.status();
}
