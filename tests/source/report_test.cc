// Reports: their lines, their counts, and the limit on errors.
#include <string>

#include <gtest/gtest.h>

#include "source/report.h"
#include "support/pieces.h"

using namespace qel2json::detail;

namespace {

struct Reporting : ReportRig {
  explicit Reporting(int currentLine = 1) : ReportRig("in.qel", currentLine) {}
};

TEST(Report, LineFormatWithAndWithoutPosition) {
  Reporting r;
  SrcPosition at = {3, 7};
  r.reports.Report(Severity::Error, "Syntax error", &at);
  r.reports.Report(Severity::Note, "Parsing resumed here", &at);
  r.reports.Report(Severity::Warning, "doubtful", nullptr);
  EXPECT_EQ(r.lines.text,
            "\"in.qel\", line 3:7 ERROR: Syntax error\n"
            "\"in.qel\", line 3:7 NOTE: Parsing resumed here\n"
            "\"in.qel\", line 0:0 WARNING: doubtful\n");
  ASSERT_EQ(r.lines.all.size(), 3u);
  EXPECT_EQ(r.lines.all[0].severity, Severity::Error);
  EXPECT_EQ(r.lines.all[0].position.col, 7);
}

TEST(Report, CountsEverySeverityAndStartsAgain) {
  Reporting r;
  for (Severity s : {Severity::Note, Severity::Note, Severity::Warning, Severity::Error}) r.reports.Report(s, "x", nullptr);
  EXPECT_EQ(r.reports.Count(Severity::Note), 2);
  EXPECT_EQ(r.reports.Count(Severity::Warning), 1);
  EXPECT_EQ(r.reports.Count(Severity::Error), 1);
  r.reports.Start("next", r.lines, &r.line);
  EXPECT_EQ(r.reports.Count(Severity::Error), 0);
}

TEST(Report, DeadlyEndsTheTranslation) {
  Reporting r;
  EXPECT_THROW(r.reports.Report(Severity::Deadly, "Wrong parse tables", nullptr), TranslationEnded);
  EXPECT_EQ(r.lines.text, "\"in.qel\", line 0:0 DEADLY: Wrong parse tables\n");
}

TEST(Report, TenErrorsOnLineOneAreTolerated) {
  Reporting r;
  SrcPosition at = {1, 2};
  for (int i = 0; i < 10; ++i) r.reports.Report(Severity::Error, "e", &at);
  for (int i = 0; i < 50; ++i) r.reports.Report(Severity::Note, "n", &at);
  EXPECT_EQ(r.reports.Count(Severity::Error), 10);
}

TEST(Report, EleventhErrorOnLineOneEndsTheTranslation) {
  Reporting r;
  for (int i = 1; i <= 10; ++i) {
    SrcPosition at = {1, i};
    r.reports.Report(Severity::Error, "e", &at);
  }
  SrcPosition at = {1, 11};
  EXPECT_THROW(r.reports.Report(Severity::Error, "e", &at), TranslationEnded);
  std::string tail = "\"in.qel\", line 1:11 ERROR: e\n\"in.qel\", line 1:11 DEADLY: Too many ERRORs\n";
  ASSERT_GE(r.lines.text.size(), tail.size());
  EXPECT_EQ(r.lines.text.substr(r.lines.text.size() - tail.size()), tail);
}

TEST(Report, AtLineTwoHundredTheLimitIsTwenty) {
  Reporting r(200);
  for (int i = 0; i < 20; ++i) r.reports.Report(Severity::Error, "e", nullptr);
  EXPECT_THROW(r.reports.Report(Severity::Error, "e", nullptr), TranslationEnded);
}

TEST(Report, FailuresAreLinesOfTheirOwn) {
  Reporting r;
  EXPECT_EQ(Reports::SystemMessage("refillBuf", 21), "refillBuf: Is a directory");
  EXPECT_THROW(r.reports.Fail("refillBuf: Is a directory"), TranslationEnded);
  EXPECT_EQ(r.lines.text, "refillBuf: Is a directory\n");
  EXPECT_EQ(r.lines.all[0].severity, Severity::Deadly);
}

}  // namespace
