// lalrgen GRAMMAR OUTPUT: writes the parse tables of the grammar as a C++
// header.  Fails (status 1, message on standard error) on any fault of the
// grammar, a conflict among them.
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/lalr.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: lalrgen GRAMMAR OUTPUT\n";
    return 1;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    lalr::Grammar g = lalr::ParseGrammar(text.str(), lalr::LanguageTerminals());
    lalr::Automaton a = lalr::Build(g);
    for (const std::string& c : a.conflicts) std::cerr << argv[1] << ": conflict in " << c << "\n";
    if (!a.conflicts.empty()) return 1;
    std::string header = lalr::EmitHeader(g, lalr::Encode(g, a), "parser/grammar.txt");
    std::ofstream out(argv[2]);
    out << header;
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
