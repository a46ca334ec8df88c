// textmate_grammar TOKENS OUT: writes the TextMate grammar of descriptions
// (source.qel, for VS Code and other editors that read TextMate grammars)
// from the token table (scanner/tokens.def), so that every keyword the
// scanner knows is highlighted and no other word is.
//
// The scanner takes the longest token at every byte, and keywords may run
// together ("SYSTEMTYPEX" is SYSTEMTYPE X); the keywords are tried longest
// first without word bounds to do the same.  Bytes that begin no token are
// marked invalid, as the scanner reports them.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

namespace {

// A JSON string of a regular expression (its backslashes doubled).
std::string Json(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: textmate_grammar TOKENS OUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "textmate_grammar: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::regex keyword(R"re(^TOKEN\(\d+, \w+, "([A-Z][A-Z0-9]*)"\)$)re");
  std::vector<std::string> keywords;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, keyword)) keywords.push_back(m[1]);
  }
  if (keywords.empty()) {
    std::cerr << "textmate_grammar: no keywords in " << argv[1] << "\n";
    return 1;
  }
  std::stable_sort(keywords.begin(), keywords.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  std::string alternatives;
  for (const std::string& k : keywords) alternatives += (alternatives.empty() ? "" : "|") + k;

  const std::string number =
      R"(-?(?:(?:[0-9]+\.[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?[FLfl]?|[0-9]+[eE][-+]?[0-9]+[FLfl]?))";
  std::ofstream out(argv[2]);
  out << "{\n"
      << "  \"$comment\": \"Generated from scanner/tokens.def by tools/textmate_grammar; do not edit.\",\n"
      << "  \"name\": \"QEL system description\",\n"
      << "  \"scopeName\": \"source.qel\",\n"
      << "  \"fileTypes\": [\"qel\"],\n"
      << "  \"patterns\": [\n"
      << "    {\"name\": \"comment.line.double-dash.qel\", \"match\": " << Json("--.*$") << "},\n"
      << "    {\"name\": \"string.quoted.double.qel\", \"begin\": \"\\\"\", \"end\": " << Json(R"("|(?<![\\\n])$)")
      << ",\n     \"patterns\": [\n"
      << "       {\"name\": \"constant.character.escape.qel\", \"match\": "
      << Json(R"(\\(?:["'?\\abfnrtv]|[0-7]{1,3}|x[0-9A-Fa-f]+|$))") << "},\n"
      << "       {\"name\": \"invalid.illegal.escape.qel\", \"match\": " << Json(R"(\\x)") << "},\n"
      << "       {\"name\": \"constant.character.escape.unknown.qel\", \"match\": " << Json(R"(\\.)") << "}\n"
      << "     ]},\n"
      << "    {\"name\": \"constant.numeric.float.qel\", \"match\": " << Json(number) << "},\n"
      << "    {\"name\": \"constant.numeric.integer.qel\", \"match\": " << Json("-?[0-9]+") << "},\n"
      << "    {\"name\": \"keyword.other.qel\", \"match\": " << Json("(?:" + alternatives + ")") << "},\n"
      << "    {\"name\": \"punctuation.section.brackets.qel\", \"match\": " << Json("[<>]") << "},\n"
      << "    {\"name\": \"invalid.illegal.qel\", \"match\": " << Json(R"([^\s<>"0-9.A-Z-])") << "}\n"
      << "  ]\n"
      << "}\n";
  if (!out) {
    std::cerr << "textmate_grammar: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
