// End-to-end cases of qel2json-format: each directory of tests/format holds
//   input.qel    a description, run as `qel2json-format input.qel`, or
//   input.json   a document, run as `qel2json-format --from-json input.json`,
//   args         (instead) the arguments, one to a line, for cases of other
//                modes or of several files,
//   stdout, stderr, status   what the run must give, byte for byte.
// The program runs in the case's directory.  A case without args runs again
// with its input on standard input, whole and in small pieces.
//
// What a case writes is also checked for what no expected file can show:
// a formatted text formats to itself, and qel2json translates it into the
// document of the input (for a document: into the document itself, blanks
// aside).  The same holds for every description of tests/golden and
// examples/ that has no ERROR.
//
// QEL_GOLDEN_UPDATE=1 rewrites the expected files from the program's
// results; review the difference before committing it.
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/golden.h"

namespace {

const std::string kFormat = QEL2JSON_FORMAT;
const std::string kTranslate = QEL2JSON;
const std::string kDir = FORMAT_DIR;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The JSON text without the blanks and line ends between its tokens.
std::string WithoutBlanks(const std::string& json) {
  std::string kept;
  bool inString = false;
  for (size_t i = 0; i < json.size(); ++i) {
    char c = json[i];
    if (inString && c == '\\' && i + 1 < json.size()) {
      kept += c;
      kept += json[++i];
      continue;
    }
    if (c == '"') inString = !inString;
    if (inString || (c != ' ' && c != '\n' && c != '\r' && c != '\t')) kept += c;
  }
  return kept;
}

// Formatting `text` gives it again, and it means `document` (blanks aside
// where `loose`).
void ExpectCanonicalAndMeaning(const std::string& text, const std::string& document, bool loose,
                               const std::string& what) {
  Outcome again = RunProgram(kFormat, {"-"}, text);
  EXPECT_EQ(again.status, 0) << what << ": the formatted text formats with errors:\n" << again.err;
  EXPECT_TRUE(again.out == text) << what << ": formatting the formatted text changes it into\n" << again.out;
  Outcome translated = RunProgram(kTranslate, {}, text);
  EXPECT_EQ(translated.status, 0) << what << ": the formatted text translates with errors:\n" << translated.err;
  bool same = loose ? WithoutBlanks(translated.out) == WithoutBlanks(document) : translated.out == document;
  EXPECT_TRUE(same) << what << ": the formatted text means another document:\n" << translated.out;
}

class FormatCase : public ::testing::TestWithParam<std::string> {};

TEST_P(FormatCase, GivesItsExpectedOutput) {
  const std::string dir = kDir + "/" + GetParam() + "/";
  const bool fromJson = Exists(dir + "input.json");
  const bool ownArgs = Exists(dir + "args");
  const std::string inputName = fromJson ? "input.json" : "input.qel";
  std::vector<std::string> args = ownArgs ? Lines(ReadFileBytes(dir + "args"))
                                  : fromJson ? std::vector<std::string>{"--from-json", inputName}
                                             : std::vector<std::string>{inputName};
  const GoldenRun e = ExpectGoldenRun(kFormat, args, dir);
  if (ownArgs) return;
  const std::string input = ReadFileBytes(dir + inputName);
  ExpectSameFromStdin(kFormat, fromJson ? std::vector<std::string>{"--from-json", "-"} : std::vector<std::string>{"-"},
                      input, inputName, e);
  if (e.status != 0) return;
  std::string document = fromJson ? input : RunProgram(kTranslate, {}, input).out;
  ExpectCanonicalAndMeaning(e.out, document, fromJson, dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatCase,
                         ::testing::ValuesIn(CasesIn(kDir, [](const std::string& name) {
                           const std::string at = kDir + "/" + name + "/";
                           return Exists(at + "input.qel") || Exists(at + "input.json") || Exists(at + "args");
                         })),
                         CaseName);

// Each line of damaged-documents.txt: a document on one line, " => ", the
// status and the diagnostics writing its description gives, joined by
// " | ".  A damaged document writes nothing, and its diagnostic stands where
// the document first goes wrong.
TEST(DamagedDocument, StopsWhereTheDocumentFirstGoesWrong) {
  EXPECT_GT(CheckArrowLines(kDir + "/damaged-documents.txt", [](const std::string& document) {
    Outcome o = RunProgram(kFormat, {"--from-json", "-"}, document + "\n");
    EXPECT_EQ(o.out, "") << document;
    std::string shown = std::to_string(o.status);
    for (const std::string& diagnostic : Lines(o.err)) shown += " | " + diagnostic;
    return shown;
  }), 20);
}

// Every description the project keeps elsewhere (the command line's golden
// cases, the examples): one without an ERROR, formatted, formats to itself
// and means the same document, and the description written from that
// document means it too; one with an ERROR is not formatted, and its
// diagnostics are the command line's.
class KeptDescription : public ::testing::TestWithParam<std::string> {};

TEST_P(KeptDescription, FormatsToTheSameMeaning) {
  const std::string input = ReadFileBytes(GetParam());
  Outcome original = RunProgram(kTranslate, {}, input);
  Outcome formatted = RunProgram(kFormat, {"-"}, input);
  if (original.status != 0) {
    EXPECT_EQ(formatted.status, original.status);
    EXPECT_EQ(formatted.out, "") << "a description with an ERROR is not formatted";
    EXPECT_EQ(formatted.err, original.err) << "its diagnostics are the command line's";
    return;
  }
  ASSERT_EQ(formatted.status, 0) << formatted.err;
  ExpectCanonicalAndMeaning(formatted.out, original.out, false, GetParam());
  Outcome written = RunProgram(kFormat, {"--from-json", "-"}, original.out);
  ASSERT_EQ(written.status, 0) << written.err;
  ExpectCanonicalAndMeaning(written.out, original.out, false, GetParam() + " written from its document");
}

std::vector<std::string> KeptDescriptions() {
  std::vector<std::string> paths;
  const std::string golden = GOLDEN_DIR, examples = EXAMPLES_DIR;
  for (const std::string& name : CasesIn(golden, [&](const std::string& n) { return Exists(golden + "/" + n + "/input.qel"); }))
    paths.push_back(golden + "/" + name + "/input.qel");
  for (const std::string& name : CasesIn(examples, [](const std::string& n) { return n.ends_with(".qel"); }))
    paths.push_back(examples + "/" + name);
  return paths;
}

// "every_construct_input_qel", "examples_plant_qel": the path's last two parts.
std::string KeptName(const ::testing::TestParamInfo<std::string>& i) {
  const std::string& path = i.param;
  return CaseName({path.substr(path.rfind('/', path.rfind('/') - 1) + 1), i.index});
}

INSTANTIATE_TEST_SUITE_P(Kept, KeptDescription, ::testing::ValuesIn(KeptDescriptions()), KeptName);

}  // namespace
