// hover_texts TOKENS KINDS SECTIONS GUIDE OUT: writes the explanations the
// language server shows on hover, as C++ initialisers
// ({"WORD", KIND, "Markdown"},, KIND -1 where the text holds for any
// node), taken from the description language's guide (docs/language.md)
// so that they cannot drift from it.  SECTIONS (tools/hover_sections.txt)
// names the section for each word, and for a keyword in nodes of some
// kinds (of KINDS, tree/kinds.def) the section of that role; every keyword
// of TOKENS (scanner/tokens.def) must have a section for any node.
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> LinesOf(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The prose paragraphs of every "##" or "###" section: no code blocks,
// tables or headings; links kept as their text.
std::map<std::string, std::vector<std::string>> Paragraphs(const std::vector<std::string>& guide) {
  std::map<std::string, std::vector<std::string>> sections;
  const std::regex link(R"(\[([^\]]*)\]\([^)]*\))");
  std::string section, paragraph;
  bool fenced = false;
  auto end = [&] {
    if (!paragraph.empty() && !section.empty()) sections[section].push_back(paragraph);
    paragraph.clear();
  };
  for (const std::string& line : guide) {
    if (line.rfind("```", 0) == 0) {
      end();
      fenced = !fenced;
      continue;
    }
    if (fenced) continue;
    if (line.rfind("#", 0) == 0) {
      end();
      section = Trimmed(line.substr(line.find(' ') + 1));
      continue;
    }
    if (Trimmed(line).empty() || line[0] == '|' || line.rfind("    ", 0) == 0) {
      end();
      continue;
    }
    if (!paragraph.empty()) paragraph += ' ';
    paragraph += std::regex_replace(Trimmed(line), link, "$1");
  }
  end();
  return sections;
}

// The kinds' numbers by name: KIND(number, name) lines.
std::map<std::string, int> KindNumbers(const std::string& path) {
  const std::regex kind(R"(^KIND\((\d+), (\w+)\)$)");
  std::map<std::string, int> numbers;
  for (const std::string& line : LinesOf(path)) {
    std::smatch m;
    if (std::regex_match(line, m, kind)) numbers[m[2]] = std::stoi(m[1]);
  }
  return numbers;
}

// One line of SECTIONS: a word, the kinds of node it holds for (none: any),
// and the section that explains it there.
struct Entry {
  std::string word;
  std::vector<std::string> kinds;
  std::string section;
};

Entry EntryOf(const std::string& line, const std::string& path) {
  size_t eq = line.find(" = ");
  if (eq == std::string::npos) throw std::runtime_error(path + ": no \" = \" in: " + line);
  Entry e{line.substr(0, eq), {}, line.substr(eq + 3)};
  if (size_t in = e.word.find(" in "); in != std::string::npos) {
    std::istringstream kinds(e.word.substr(in + 4));
    for (std::string kind; kinds >> kind;) e.kinds.push_back(kind);
    e.word.erase(in);
  }
  return e;
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

// The section's first paragraph that names word in backquotes, else its
// first, under a heading of the word and the section.
std::string TextOf(const std::string& word, const std::string& section,
                   const std::map<std::string, std::vector<std::string>>& sections, const std::string& guide) {
  auto found = sections.find(section);
  if (found == sections.end() || found->second.empty())
    throw std::runtime_error(guide + " has no section \"" + section + "\" with prose");
  std::string chosen = found->second.front();
  for (const std::string& p : found->second)
    if (p.find("`" + word + "`") != std::string::npos) {
      chosen = p;
      break;
    }
  return "**" + word + "** (" + section + ")\n\n" + chosen;
}

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: hover_texts TOKENS KINDS SECTIONS GUIDE OUT\n";
    return 2;
  }
  try {
    const std::string tokens = argv[1], kindsFile = argv[2], sectionsFile = argv[3], guide = argv[4], outFile = argv[5];
    std::map<std::string, int> kinds = KindNumbers(kindsFile);
    std::vector<Entry> entries;
    std::map<std::string, bool> anywhere;  // the words with a section for any node
    for (const std::string& line : LinesOf(sectionsFile)) {
      if (line.empty() || line[0] == '#') continue;
      entries.push_back(EntryOf(line, sectionsFile));
      if (entries.back().kinds.empty()) anywhere[entries.back().word] = true;
    }
    const std::regex keyword(R"re(^TOKEN\(\d+, \w+, "([A-Z][A-Z0-9]*)"\)$)re");
    for (const std::string& line : LinesOf(tokens)) {
      std::smatch m;
      if (std::regex_match(line, m, keyword) && !anywhere.count(m[1]))
        throw std::runtime_error(sectionsFile + " names no section for the keyword " + m[1].str());
    }
    auto sections = Paragraphs(LinesOf(guide));
    std::ostringstream out;
    out << "// Generated by tools/hover_texts from docs/language.md; do not edit.\n";
    for (const Entry& e : entries) {
      std::string text = Quoted(TextOf(e.word, e.section, sections, guide));
      if (e.kinds.empty()) out << "{" << Quoted(e.word) << ", -1, " << text << "},\n";
      for (const std::string& kind : e.kinds) {
        auto number = kinds.find(kind);
        if (number == kinds.end()) throw std::runtime_error(sectionsFile + ": no node kind " + kind + " in " + kindsFile);
        out << "{" << Quoted(e.word) << ", " << number->second << ", " << text << "},\n";
      }
    }
    std::ofstream file(outFile);
    file << out.str();
    if (!file) throw std::runtime_error("cannot write " + outFile);
  } catch (const std::exception& e) {
    std::cerr << "hover_texts: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
