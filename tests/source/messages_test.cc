// The kinds of message, written once in messages.def, agree with every
// place that shows them: the codes of qel2json.h, the table of codes in
// docs/library.md, and the messages docs/language.md lists as all the
// program writes.
#include <map>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "source/report.h"
#include "support/child.h"
#include "support/diagnostic_checks.h"

using namespace qel2json::detail;

namespace {

struct Kind {
  std::string name;  // as the interface names it: QEL2JSON_CODE_...
  MessageKind kind;
};

// "NotAToken" is QEL2JSON_CODE_NOT_A_TOKEN.
std::string InterfaceName(std::string_view name) {
  std::string out = "QEL2JSON_CODE";
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') out += '_';
    out += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return out;
}

std::map<int, Kind> KindsOfMessagesDef() {
  std::map<int, Kind> kinds;
#define MESSAGE(number, name, severity, text) kinds[number] = {InterfaceName(#name), KindOf(Code::name)};
#include "source/messages.def"
#undef MESSAGE
  return kinds;
}

TEST(Messages, TheInterfaceNumbersEveryKindAsMessagesDefDoes) {
  std::string header = ReadFileBytes(std::string(SOURCE_DIR) + "/include/qel2json.h");
  std::map<int, std::string> codes;
  std::regex code(R"((QEL2JSON_CODE_\w+) = (\d+))");
  for (std::sregex_iterator i(header.begin(), header.end(), code), end; i != end; ++i)
    codes[std::stoi((*i)[2])] = (*i)[1];
  std::map<int, Kind> kinds = KindsOfMessagesDef();
  ASSERT_EQ(codes.size(), kinds.size());
  for (const auto& [number, kind] : kinds) EXPECT_EQ(codes[number], kind.name) << number;
}

TEST(Messages, TheLibraryGuideTablesEveryKind) {
  std::map<int, CodeRow> rows = ReadCodeTable(std::string(SOURCE_DIR) + "/docs/library.md");
  std::map<int, Kind> kinds = KindsOfMessagesDef();
  ASSERT_EQ(rows.size(), kinds.size());
  for (const auto& [number, kind] : kinds) {
    const CodeRow& row = rows[number];
    EXPECT_EQ(row.name, kind.name) << number;
    EXPECT_EQ(row.severity, kSeverityNames[size_t(kind.kind.severity)]) << number;
    ASSERT_FALSE(row.forms.empty()) << number;
    EXPECT_EQ(row.forms[0], kind.kind.text) << number;
  }
}

// The first cells of the tables under "## Messages", up to the next part.
std::set<std::string> MessagesOfTheLanguageGuide() {
  std::string text = ReadFileBytes(std::string(SOURCE_DIR) + "/docs/language.md");
  size_t begin = text.find("\n## Messages\n"), end = text.find("\n## ", begin + 1);
  std::string part = text.substr(begin, end - begin);
  std::set<std::string> messages;
  std::regex firstCell(R"(\n\| ([^|]*) \|)"), quoted("`([^`]*)`");
  for (std::sregex_iterator i(part.begin(), part.end(), firstCell), stop; i != stop; ++i) {
    std::string cell = (*i)[1];
    for (std::sregex_iterator q(cell.begin(), cell.end(), quoted); q != stop; ++q) messages.insert((*q)[1]);
  }
  return messages;
}

// What the command line writes: every kind of message but those of the
// bounds and options it never sets and of writing descriptions, and its own
// about its arguments.
TEST(Messages, TheLanguageGuideListsWhatTheProgramWrites) {
  std::set<std::string> expected = {"PROGRAM: cannot open FILE for reading", "Usage: PROGRAM [options] parameters"};
  for (const auto& [number, row] : ReadCodeTable(std::string(SOURCE_DIR) + "/docs/library.md"))
    if (number != int(Code::DocumentTooLong) && number != int(Code::InputTooLong) && number < int(Code::UnknownKeyword))
      expected.insert(row.forms.begin(), row.forms.end());
  EXPECT_EQ(MessagesOfTheLanguageGuide(), expected);
}

}  // namespace
