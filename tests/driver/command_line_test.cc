// The command line.  Each folder of cases/ is one run: its arguments, one
// to a line, in `args` and its standard input in `stdin` (either may be
// missing), beside the standard output, standard error and exit status it
// must give, where PROGRAM stands for the program's path.
// QEL_GOLDEN_UPDATE=1 rewrites the expected files from the program's
// results; review the difference before committing it.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"
#include "support/golden.h"

namespace {

const std::string kProgram = QEL2JSON;
const std::string kDir = CASES_DIR;

std::vector<std::string> Arguments(const std::string& lines) {
  std::vector<std::string> args;
  for (size_t at = 0, end; at < lines.size(); at = end + 1) {
    end = lines.find('\n', at);
    if (end == std::string::npos) end = lines.size();
    args.push_back(lines.substr(at, end - at));
  }
  return args;
}

class Run : public ::testing::TestWithParam<std::string> {};

TEST_P(Run, Case) {
  std::string dir = kDir + "/" + GetParam() + "/";
  Outcome o = RunProgram(kProgram, Arguments(ReadFileBytes(dir + "args")), ReadFileBytes(dir + "stdin"));
  std::string out = Replaced(o.out, kProgram, "PROGRAM"), err = Replaced(o.err, kProgram, "PROGRAM");
  std::string status = std::to_string(o.status) + "\n";
  EXPECT_EQ(status, GoldenFile(dir + "status", status));
  EXPECT_EQ(err, GoldenFile(dir + "stderr", err));
  EXPECT_EQ(out, GoldenFile(dir + "stdout", out));
}

INSTANTIATE_TEST_SUITE_P(Cases, Run,
                         ::testing::ValuesIn(CasesIn(kDir, [](const std::string& name) {
                           return !ReadFileBytes(kDir + "/" + name + "/status").empty();
                         })),
                         CaseName);

// Runs the program on the bundled example with standard output on the
// descriptor that open_output gives.
Outcome WithOutputTo(const std::function<int()>& open_output) {
  return RunProgramAfter([&] { dup2(open_output(), 1); }, kProgram, {EXAMPLE});
}

TEST(Output, AFailedWriteIsDeadly) {
  Outcome o = WithOutputTo([] { return open("/dev/full", O_WRONLY); });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "\"" EXAMPLE "\", line 0:0 DEADLY: cannot write the output: No space left on device\n");
}

TEST(Output, AClosedPipeEndsTheRunBySigpipe) {
  Outcome o = WithOutputTo([] {
    int p[2];
    if (pipe(p) != 0) _exit(126);
    close(p[0]);
    signal(SIGPIPE, SIG_DFL);
    return p[1];
  });
  EXPECT_EQ(o.status, 128 + SIGPIPE);
  EXPECT_EQ(o.err, "");
}

}  // namespace
