// Printing straight from the tree: indentation that follows the nesting at
// any depth, on a small stack, writes that fail, and a literal of
// gigabytes.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "output/printer.h"
#include "support/child.h"
#include "support/pieces.h"
#include "support/seams.h"

namespace {

const std::string kProgram = QEL2JSON;
const std::string kEmptyCouples = "< > < > < > ";

// Coupletrees nested `depth` deep in the first coupling, and a list of
// `strings` strings as the system's strings.
std::string Nested(int depth, int strings) {
  std::string text = "SYSTEM LINEAR < > < ";
  for (int i = 0; i < strings; ++i) text += "\"s\" ";
  text += "> < > \"c\" ISEXTERN < > < > < > ";
  for (int i = 0; i < depth; ++i) text += "< > < ";
  for (int i = 0; i < depth; ++i) text += "> ";
  return text + "< > " + kEmptyCouples + "< >";
}

// Every line is indented by three spaces for each bracket open around it:
// a line ending in "{" or "[" opens one, a line starting with "}" or "]"
// closes one.
void ExpectIndentationFollowsNesting(const std::string& out) {
  size_t depth = 0, line = 0, deepest = 0;
  for (size_t at = 0; at < out.size(); ++line) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    std::string_view text(out.data() + at, end - at);
    size_t spaces = text.find_first_not_of(' ');
    if (spaces == std::string_view::npos) spaces = text.size();
    bool closes = spaces < text.size() && (text[spaces] == '}' || text[spaces] == ']');
    if (closes) --depth;
    ASSERT_EQ(spaces, 3 * depth) << "line " << line + 1;
    if (!text.empty() && (text.back() == '{' || text.back() == '[')) ++depth;
    deepest = std::max(deepest, depth);
    at = end + 1;
  }
  EXPECT_EQ(depth, 0u);
  EXPECT_GT(3 * deepest, 4096u);  // beyond one run of spaces
}

TEST(Printer, DeepNestingAndLongListsPrintOnASmallStack) {
  TempFile input(Nested(1500, 1000000));
  Outcome o = RunProgramAfter(
      [] {
        rlimit small = {256 << 10, 256 << 10};
        setrlimit(RLIMIT_STACK, &small);
      },
      kProgram, {input.path()});
  ASSERT_EQ(o.status, 0) << o.err;
  ExpectIndentationFollowsNesting(o.out);
}

TEST(Printer, AFailedWriteOfALargeDocumentIsDeadly) {
  TempFile input(Nested(2, 300000));
  Outcome o = RunProgramAfter([] { dup2(open("/dev/full", O_WRONLY), 1); }, kProgram, {input.path()});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "\"" + input.path() + "\", line 0:0 DEADLY: cannot write the output: No space left on device\n");
}

// Keeps the document but for the pieces that are a stored text of
// gigabytes, which it only notes: where they come from and how long they are.
class LiteralNoter final : public DocumentSink {
 public:
  explicit LiteralNoter(const char* literal) : literal_(literal) {}
  int Write(const char* bytes, size_t n) override {
    if (bytes != literal_) {
      text.append(bytes, n);
      return 0;
    }
    literalAt = text.size();
    literalLength = n;
    return 0;
  }
  std::string text;
  size_t literalAt = std::string::npos;
  size_t literalLength = 0;

 private:
  const char* literal_;
};

// The document of a Time node over the text `length` bytes long under a
// new index: the literal's bytes are never written but at its two ends.
LiteralNoter PrintTime(size_t length) {
  ReportRig rig;
  StringTable strings(rig.pages);
  Tree tree(rig.pages, rig.reports);
  OutputBuffer out(rig.reports);
  Printer printer(rig.pages, tree, strings, out);
  char* bytes = nullptr;
  int literal = StringTableSeam::AddUnwritten(strings, length, &bytes);
  bytes[0] = bytes[length - 1] = '"';
  SrcPosition at = {1, 1};
  LiteralNoter document(bytes);
  printer.Write(MkTime(tree, &at, literal), document, 0);
  return document;
}

// A literal of more than 4 GiB goes out whole, in one write from where it
// is stored, between the same texts as a short one.
TEST(Printer, ALiteralOfGigabytesIsWrittenWholeInPlace) {
  constexpr size_t kLength = (size_t(1) << 32) + 3;
  LiteralNoter huge = PrintTime(kLength);
  EXPECT_EQ(huge.literalLength, kLength);
  ASSERT_NE(huge.literalAt, std::string::npos);
  LiteralNoter shortOne = PrintTime(2);
  std::string withShort = huge.text;
  withShort.insert(huge.literalAt, "\"\"");
  EXPECT_EQ(withShort, shortOne.text);
}

}  // namespace
