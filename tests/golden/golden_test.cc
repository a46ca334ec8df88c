// End-to-end cases: each directory of tests/golden holds
//   input.qel   the description
//   stdout      the expected standard output, byte for byte
//   stderr      the expected standard error
//   status      the expected exit status
// The program runs in the case's directory as `qel2json input.qel`, and
// again with the input on standard input, whole and in small pieces: the
// output must not depend on how the input arrives.
//
// QEL_GOLDEN_UPDATE=1 rewrites the expected files from the program's
// results; review the difference before committing it.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"
#include "support/golden.h"

namespace {

const std::string kProgram = QEL2JSON;
const std::string kDir = GOLDEN_DIR;

std::vector<std::string> Cases() {
  return CasesIn(kDir, [](const std::string& name) { return access((kDir + "/" + name + "/input.qel").c_str(), R_OK) == 0; });
}

// Standard error names the input "stdin" when it comes from there.
std::string AsStdin(const std::string& err) { return Replaced(err, "\"input.qel\", line ", "\"stdin\", line "); }

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, Case) {
  std::string dir = kDir + "/" + GetParam();
  std::string input = ReadFileBytes(dir + "/input.qel");
  Outcome o = RunProgram(kProgram, {"input.qel"}, "", 0, dir);
  std::string out = GoldenFile(dir + "/stdout", o.out), err = GoldenFile(dir + "/stderr", o.err);
  std::string expectedStatus = GoldenFile(dir + "/status", std::to_string(o.status) + "\n");
  ASSERT_FALSE(expectedStatus.empty()) << dir << " has no status file";
  int status = std::atoi(expectedStatus.c_str());
  EXPECT_EQ(o.status, status);
  EXPECT_EQ(o.err, err);
  EXPECT_TRUE(o.out == out) << "standard output differs from " << dir << "/stdout";

  std::vector<size_t> pieces = {0, 7};
  if (input.size() < 4096) pieces.push_back(1);
  for (size_t piece : pieces) {
    Outcome p = RunProgram(kProgram, {}, input, piece, dir);
    EXPECT_EQ(p.status, status) << "pieces of " << piece;
    EXPECT_EQ(p.err, AsStdin(err)) << "pieces of " << piece;
    EXPECT_TRUE(p.out == out) << "standard output differs with pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
