#include <string>

#include <gtest/gtest.h>

#include "source/report.h"
#include "support/child.h"

namespace {

// Each case runs in a child: reports end the process, and the counters and
// the buffer are process state.
Outcome Reports(int line, const std::function<void()>& body) {
  return RunInChild([=] {
    TempFile f("text\n");
    initBuf("in.qel", f.Open());
    CurrentLine = line;
    body();
  });
}

TEST(Report, LineFormatWithAndWithoutPosition) {
  Outcome o = Reports(1, [] {
    SrcPosition at = {3, 7};
    Report(ERROR, "Syntax error", &at);
    Report(NOTE, "Parsing resumed here", &at);
    Report(WARNING, "doubtful", nullptr);
  });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            "\"in.qel\", line 3:7 ERROR: Syntax error\n"
            "\"in.qel\", line 3:7 NOTE: Parsing resumed here\n"
            "\"in.qel\", line 0:0 WARNING: doubtful\n");
}

TEST(Report, BeforeTheInputIsOpenTheFileIsDot) {
  Outcome o = RunInChild([] { Report(NOTE, "early", nullptr); });
  EXPECT_EQ(o.err, "\".\", line 0:0 NOTE: early\n");
}

TEST(Report, CountsEverySeverity) {
  Outcome o = Reports(1, [] {
    Report(NOTE, "n", nullptr);
    Report(NOTE, "n", nullptr);
    Report(WARNING, "w", nullptr);
    Report(ERROR, "e", nullptr);
    printf("%d %d %d %d", SeverityCount[NOTE], SeverityCount[WARNING], SeverityCount[ERROR],
           SeverityCount[DEADLY]);
  });
  EXPECT_EQ(o.out, "2 1 1 0");
}

TEST(Report, DeadlyEndsTheRun) {
  Outcome o = Reports(1, [] {
    Report(DEADLY, "Wrong parse tables", nullptr);
    printf("not reached");
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "\"in.qel\", line 0:0 DEADLY: Wrong parse tables\n");
}

TEST(Report, InvalidSeverityIsDeadly) {
  Outcome o = Reports(1, [] { Report(7, "odd", nullptr); });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "Invalid severity code 7 for \"odd\"\n"
            "\"in.qel\", line 0:0 DEADLY: odd\n");
}

TEST(Report, TenErrorsOnLineOneAreTolerated) {
  Outcome o = Reports(1, [] {
    SrcPosition at = {1, 2};
    for (int i = 0; i < 10; ++i) Report(ERROR, "e", &at);
    for (int i = 0; i < 50; ++i) Report(NOTE, "n", &at);
    printf("still running");
  });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "still running");
}

TEST(Report, EleventhErrorOnLineOneEndsTheRun) {
  Outcome o = Reports(1, [] {
    for (int i = 1; i <= 11; ++i) {
      SrcPosition at = {1, i};
      Report(ERROR, "e", &at);
    }
    printf("not reached");
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  std::string tail = "\"in.qel\", line 1:11 ERROR: e\n\"in.qel\", line 1:11 DEADLY: Too many ERRORs\n";
  ASSERT_GE(o.err.size(), tail.size());
  EXPECT_EQ(o.err.substr(o.err.size() - tail.size()), tail);
}

TEST(Report, AtLineTwoHundredTheLimitIsTwenty) {
  Outcome ok = Reports(200, [] {
    for (int i = 0; i < 20; ++i) Report(ERROR, "e", nullptr);
  });
  EXPECT_EQ(ok.status, 0);
  Outcome over = Reports(200, [] {
    for (int i = 0; i < 21; ++i) Report(ERROR, "e", nullptr);
  });
  EXPECT_EQ(over.status, 1);
  EXPECT_NE(over.err.find("DEADLY: Too many ERRORs\n"), std::string::npos);
}

}  // namespace
