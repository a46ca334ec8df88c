// The end-to-end cases of tests/golden: each directory holds input.qel and
// the command line's standard output, standard error and status for it.
// And the golden files of every data-driven test.
#pragma once

#include <cstdlib>
#include <fstream>
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

// A case's name as the name of its test: what is no letter or digit
// becomes '_'.
inline std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}
