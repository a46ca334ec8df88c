// The end-to-end cases of tests/golden: each directory holds input.qel and
// the command line's standard output, standard error and status for it.
// And the golden files of every data-driven test.
#pragma once

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.h"

struct GoldenCase {
  std::string name;
  std::string input;
  std::string out;
  std::string err;
  int status;
};

// Every case under dir (tests/golden), in name order.
inline std::vector<GoldenCase> GoldenCases(const std::string& dir) {
  std::vector<GoldenCase> cases;
  for (const std::string& name : CasesIn(dir, [&](const std::string& n) {
         return !ReadFileBytes(dir + "/" + n + "/status").empty();
       })) {
    std::string at = dir + "/" + name + "/";
    cases.push_back({name, ReadFileBytes(at + "input.qel"), ReadFileBytes(at + "stdout"),
                     ReadFileBytes(at + "stderr"), std::atoi(ReadFileBytes(at + "status").c_str())});
  }
  return cases;
}

// What the golden file at path holds, once QEL_GOLDEN_UPDATE=1 has written
// `actual` there: how every data-driven test takes its expectations and
// rewrites them (review the difference before committing it).
inline std::string GoldenFile(const std::string& path, const std::string& actual) {
  if (std::getenv("QEL_GOLDEN_UPDATE")) std::ofstream(path, std::ios::binary) << actual;
  return ReadFileBytes(path);
}

// What a case folder says a run gives: its files stdout, stderr, status.
struct GoldenRun {
  std::string out, err;
  int status = -1;
};

// Runs program with args in the case folder dir and holds what it gives
// against the folder's files (QEL_GOLDEN_UPDATE=1 rewrites them).
inline GoldenRun ExpectGoldenRun(const std::string& program, const std::vector<std::string>& args,
                                const std::string& dir) {
  Outcome o = RunProgram(program, args, "", 0, dir);
  GoldenRun e = {GoldenFile(dir + "/stdout", o.out), GoldenFile(dir + "/stderr", o.err)};
  std::string status = GoldenFile(dir + "/status", std::to_string(o.status) + "\n");
  EXPECT_FALSE(status.empty()) << dir << " has no status file";
  e.status = std::atoi(status.c_str());
  EXPECT_EQ(o.status, e.status);
  EXPECT_EQ(o.err, e.err);
  EXPECT_TRUE(o.out == e.out) << "standard output differs from " << dir << "/stdout:\n" << o.out;
  return e;
}

// The same run with `input` on standard input instead of the file
// `inputName`, whole and in pieces: what it gives must not depend on how
// the input arrives, but for messages that name the file "stdin".
inline void ExpectSameFromStdin(const std::string& program, const std::vector<std::string>& args,
                                const std::string& input, const std::string& inputName, const GoldenRun& e) {
  const std::string err = Replaced(e.err, "\"" + inputName + "\", line ", "\"stdin\", line ");
  std::vector<size_t> pieces = {0, 7};
  if (input.size() < 4096) pieces.push_back(1);
  for (size_t piece : pieces) {
    Outcome p = RunProgram(program, args, input, piece);
    EXPECT_EQ(p.status, e.status) << "pieces of " << piece;
    EXPECT_EQ(p.err, err) << "pieces of " << piece;
    EXPECT_TRUE(p.out == e.out) << "standard output differs with pieces of " << piece;
  }
}

// The cases of a file of lines "INPUT => EXPECTED" (lines without the
// arrow, and those that begin with '#', are comments): each input's text
// from `run` must be its expected one.  QEL_GOLDEN_UPDATE=1 rewrites the
// expectations.  Returns the number of cases, so that a file that lost
// them does not pass unseen.
inline int CheckArrowLines(const std::string& path, const std::function<std::string(const std::string&)>& run) {
  std::istringstream lines(ReadFileBytes(path));
  std::string updated;
  int cases = 0;
  for (std::string line; std::getline(lines, line); updated += line + "\n") {
    size_t arrow = line.find(" => ");
    if (line.empty() || line[0] == '#' || arrow == std::string::npos) continue;
    std::string input = line.substr(0, arrow), actual = run(input);
    EXPECT_EQ(actual, line.substr(arrow + 4)) << input;
    line = line.substr(0, arrow + 4) + actual;
    ++cases;
  }
  GoldenFile(path, updated);
  return cases;
}

// A case's name as the name of its test: what is no letter or digit
// becomes '_'.
inline std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}
