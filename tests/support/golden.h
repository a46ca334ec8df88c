// The end-to-end cases of tests/golden: each directory holds input.qel and
// the command line's standard output, standard error and status for it.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

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
