#include <fcntl.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "support/child.h"

#include <csignal>

namespace {

const std::string kProgram = QEL2JSON;

const std::string kUsage =
    "Usage: " + kProgram + " [options] parameters\n"
    "  Items marked with * may be repeated.\n"
    "  Options:\n"
    "  Parameters:\n"
    "    InputFile File to be processed\n";

TEST(CommandLine, TwoOrMoreArgumentsPrintTheUsage) {
  for (auto args : {std::vector<std::string>{"a", "b"}, std::vector<std::string>{"/no/such", "b", "c"}}) {
    Outcome o = RunProgram(kProgram, args);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, kUsage);
  }
}

TEST(CommandLine, MissingFileCannotBeOpened) {
  Outcome o = RunProgram(kProgram, {"/no/such/file"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, kProgram + ": cannot open /no/such/file for reading\n");
}

TEST(CommandLine, EveryArgumentIsAFileName) {
  Outcome empty = RunProgram(kProgram, {""});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.err, kProgram + ": cannot open  for reading\n");
  Outcome dash = RunProgram(kProgram, {"-h"});
  EXPECT_EQ(dash.status, 2);
  EXPECT_EQ(dash.err, kProgram + ": cannot open -h for reading\n");
}

TEST(CommandLine, PercentSignsInTheNameAreKept) {
  Outcome o = RunProgram(kProgram, {"/no/100%p"});
  EXPECT_EQ(o.err, kProgram + ": cannot open /no/100%p for reading\n");
}

TEST(Input, StandardInputIsNamedStdin) {
  Outcome o = RunProgram(kProgram, {}, "?SYSTEM");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1), "\"stdin\", line 1:1 ERROR: char '?' is not a token\n");
  EXPECT_EQ(o.out.substr(0, 1), "{");
}

// Runs the program on the bundled example with standard output on fd.
Outcome WithOutputTo(const std::function<int()>& open_output) {
  return RunInChild([&] {
    int fd = open_output();
    dup2(fd, 1);
    execl(kProgram.c_str(), kProgram.c_str(), EXAMPLE, static_cast<char*>(nullptr));
    _exit(127);
  });
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
