// lalrgen GRAMMAR TABLES TEXTS: writes the parse tables of the grammar as a
// C++ header, and how each tree rule is written as description text as
// another.  Fails (status 1, message on standard error) on any fault of the
// grammar, a conflict among them.
#include <iostream>

#include "tools/lalr.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: lalrgen GRAMMAR TABLES TEXTS\n";
    return 1;
  }
  try {
    lalr::Grammar g = lalr::ReadLanguageGrammar(argv[1]);
    lalr::Automaton a = lalr::Build(g);
    for (const std::string& c : a.conflicts) std::cerr << argv[1] << ": conflict in " << c << "\n";
    if (!a.conflicts.empty()) return 1;
    lalr::WriteTextFile(argv[2], lalr::EmitHeader(g, lalr::Encode(g, a), "parser/grammar.txt"));
    lalr::WriteTextFile(argv[3], lalr::EmitRuleTexts(g, "parser/grammar.txt"));
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
