// What every diagnostic of the library promises, checked from outside: its
// code fits its message (as the table of codes in docs/library.md gives
// the forms of each), its byte place lies in the input and agrees with the
// line and column it prints, and a note that belongs to an error names it.
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
// number, REASON for a system's description of an error, "..." for any
// text.
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
    } else if (form[i] == 'N' && (i == 0 || form[i - 1] == ' ') && (i + 1 == form.size() || form[i + 1] == ' ')) {
      pattern += "[0-9]+";
    } else {
      if (std::string_view("\\^$.|?*+()[]{}").find(form[i]) != std::string_view::npos) pattern += '\\';
      pattern += form[i];
    }
  }
  return std::regex_match(message, std::regex(pattern));
}

// The line and column the command line gives the byte at `offset`: lines
// end at a line feed, a carriage return or both; a tab moves what follows
// it to the next of the columns 1, 9, 17, ...  The end of a text whose last
// line has no line end stands where a line end would have taken it: at the
// start of the next line.
struct Coordinate {
  int line;
  int column;
};
inline Coordinate CoordinateOf(std::string_view text, size_t offset) {
  Coordinate c = {1, 1};
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    char b = text[i];
    if (b == '\n' || (b == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      c = {c.line + 1, 1};
    } else if (b == '\t') {
      c.column += 8 - (c.column - 1) % 8;
    } else if (b != '\r') {
      ++c.column;
    }
  }
  bool lastLineOpen = !text.empty() && text.back() != '\n' && text.back() != '\r';
  if (offset == text.size() && lastLineOpen) c = {c.line + 1, 1};
  return c;
}
