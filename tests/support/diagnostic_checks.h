// The table of codes in docs/library.md, read by tests that check each
// diagnostic's code against the forms of its message.
#pragma once

#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "support/child.h"

struct CodeRow {
  int number = 0;
  std::string name;      // QEL2JSON_CODE_...
  std::string severity;  // NOTE, WARNING, ERROR, DEADLY
  std::vector<std::string> forms;  // the messages, with c, N and REASON for what varies
};

// The rows of the table of codes: lines "| number | `NAME` | SEVERITY |
// `form`; `form` | meaning |".
inline std::map<int, CodeRow> ReadCodeTable(const std::string& libraryGuide) {
  std::map<int, CodeRow> rows;
  std::string text = ReadFileBytes(libraryGuide);
  std::regex row(R"(\n\| (\d+) \| `(QEL2JSON_CODE_\w+)` \| (\w+) \| ([^|]*(?:\\\|[^|]*)*) \|)");
  for (std::sregex_iterator i(text.begin(), text.end(), row), end; i != end; ++i) {
    CodeRow r;
    r.number = std::stoi((*i)[1]);
    r.name = (*i)[2];
    r.severity = (*i)[3];
    std::string forms = (*i)[4];
    std::regex quoted("`([^`]*)`");
    for (std::sregex_iterator f(forms.begin(), forms.end(), quoted); f != end; ++f) r.forms.push_back((*f)[1]);
    rows[r.number] = r;
  }
  return rows;
}

// Whether message has the form: c stands for a character's image, N for a
// number, REASON for a system's description of an error, WORD and KEYWORD
// for words, PATH, KEY and WHAT for places and things of a JSON document,
// "..." for any text.
inline bool HasForm(const std::string& message, const std::string& form) {
  std::string pattern;
  for (size_t i = 0; i < form.size(); ++i) {
    auto at = [&](std::string_view word) { return form.compare(i, word.size(), word) == 0; };
    if (at("'c'")) {
      pattern += R"('(.|\\.|\\[0-7]{3})')";
      i += 2;
    } else if (at("REASON")) {
      pattern += ".+";
      i += 5;
    } else if (at("...")) {
      pattern += ".*";
      i += 2;
    } else if (at("WORD") || at("KEYWORD")) {
      pattern += "[A-Za-z]+";
      i += at("WORD") ? 3 : 6;
    } else if (at("PATH") || at("WHAT") || at("KEY")) {
      pattern += ".+";
      i += at("KEY") ? 2 : 3;
    } else if (form[i] == 'N' && (i == 0 || form[i - 1] == ' ') && (i + 1 == form.size() || form[i + 1] == ' ')) {
      pattern += "[0-9]+";
    } else {
      if (std::string_view("\\^$.|?*+()[]{}").find(form[i]) != std::string_view::npos) pattern += '\\';
      pattern += form[i];
    }
  }
  return std::regex_match(message, std::regex(pattern));
}
