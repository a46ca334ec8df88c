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

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, Case) {
  std::string dir = kDir + "/" + GetParam();
  GoldenRun e = ExpectGoldenRun(kProgram, {"input.qel"}, dir);
  ExpectSameFromStdin(kProgram, {}, ReadFileBytes(dir + "/input.qel"), "input.qel", e);
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
