#include <string>

#include <gtest/gtest.h>

#include "support/child.h"

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

}  // namespace
