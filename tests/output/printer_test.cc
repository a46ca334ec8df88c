// Printing straight from the tree: indentation that follows the nesting at
// any depth, on a small stack, and writes that fail.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "support/child.h"

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
  Outcome o = RunInChild([&] {
    rlimit small = {256 << 10, 256 << 10};
    setrlimit(RLIMIT_STACK, &small);
    execl(kProgram.c_str(), kProgram.c_str(), input.path().c_str(), static_cast<char*>(nullptr));
    _exit(127);
  });
  ASSERT_EQ(o.status, 0) << o.err;
  ExpectIndentationFollowsNesting(o.out);
}

TEST(Printer, AFailedWriteOfALargeDocumentIsDeadly) {
  TempFile input(Nested(2, 300000));
  Outcome o = RunInChild([&] {
    int full = open("/dev/full", O_WRONLY);
    dup2(full, 1);
    execl(kProgram.c_str(), kProgram.c_str(), input.path().c_str(), static_cast<char*>(nullptr));
    _exit(127);
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "\"" + input.path() + "\", line 0:0 DEADLY: cannot write the output: No space left on device\n");
}

}  // namespace
