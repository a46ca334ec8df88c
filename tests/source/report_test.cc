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

// The line shows the place, the severity and the text; the severity comes
// with the kind of message; the place and the link of a note to its error
// are handed on as they were given.
TEST(Report, PartsOfEachDiagnostic) {
  Reporting r;
  size_t escape = r.reports.Report(Code::UnknownEscape, {{1, 5}, 4, 1});
  size_t error = r.reports.Report(Code::SyntaxError, {{2, 1}, 9, 3}, uint64_t(1) << 3);
  size_t resumed = r.reports.Report(Code::ParsingResumed, {{2, 9}, 17, 0}, 0, error);
  EXPECT_EQ(r.lines.text,
            "\"in.qel\", line 1:5 NOTE: unknown escape sequence\n"
            "\"in.qel\", line 2:1 ERROR: Syntax error\n"
            "\"in.qel\", line 2:9 NOTE: Parsing resumed here\n");
  EXPECT_EQ(escape, 0u);
  EXPECT_EQ(error, 1u);
  EXPECT_EQ(resumed, 2u);
  ASSERT_EQ(r.lines.all.size(), 3u);
  const Diagnostic& e = r.lines.all[1];
  EXPECT_EQ(e.severity, Severity::Error);
  EXPECT_EQ(e.code, Code::SyntaxError);
  EXPECT_EQ(e.place.position.col, 1);
  EXPECT_EQ(e.place.offset, 9u);
  EXPECT_EQ(e.place.length, 3u);
  EXPECT_EQ(e.expected, uint64_t(1) << 3);
  EXPECT_EQ(e.related, kNoRelated);
  EXPECT_EQ(r.lines.all[0].severity, Severity::Note);
  EXPECT_EQ(r.lines.all[2].related, error);
}

TEST(Report, CountsEverySeverityAndStartsAgain) {
  Reporting r;
  for (Code c : {Code::UnknownEscape, Code::ParsingResumed, Code::NotAToken}) r.reports.Report(c, kNowhere);
  EXPECT_EQ(r.reports.Count(Severity::Note), 2);
  EXPECT_EQ(r.reports.Count(Severity::Error), 1);
  r.reports.Start("next", r.lines, &r.line);
  EXPECT_EQ(r.reports.Count(Severity::Error), 0);
  EXPECT_EQ(r.reports.Report(Code::NotAToken, kNowhere), 0u);
}

TEST(Report, DeadlyEndsTheTranslation) {
  Reporting r;
  EXPECT_THROW(r.reports.Report(Code::InternalFault, kNowhere), TranslationEnded);
  EXPECT_EQ(r.lines.text, "\"in.qel\", line 0:0 DEADLY: Wrong parse tables\n");
}

// Ten errors on line 1 pass, whatever the notes; the eleventh ends the
// translation, and the last line names its place.
TEST(Report, EleventhErrorOnLineOneEndsTheTranslation) {
  Reporting r;
  for (int i = 1; i <= 10; ++i) r.reports.Report(Code::NotAToken, "e", {{1, i}, size_t(i - 1), 1});
  for (int i = 0; i < 50; ++i) r.reports.Report(Code::UnknownEscape, "n", {{1, 2}, 1, 1});
  EXPECT_EQ(r.reports.Count(Severity::Error), 10);
  EXPECT_THROW(r.reports.Report(Code::NotAToken, "e", {{1, 11}, 10, 1}), TranslationEnded);
  std::string tail = "\"in.qel\", line 1:11 ERROR: e\n\"in.qel\", line 1:11 DEADLY: Too many ERRORs\n";
  ASSERT_GE(r.lines.text.size(), tail.size());
  EXPECT_EQ(r.lines.text.substr(r.lines.text.size() - tail.size()), tail);
  EXPECT_EQ(r.lines.all.back().code, Code::TooManyErrors);
  EXPECT_EQ(r.lines.all.back().place.offset, 10u);
}

TEST(Report, AtLineTwoHundredTheLimitIsTwenty) {
  Reporting r(200);
  for (int i = 0; i < 20; ++i) r.reports.Report(Code::SyntaxError, kNowhere);
  EXPECT_THROW(r.reports.Report(Code::SyntaxError, kNowhere), TranslationEnded);
}

TEST(Report, FailuresAreLinesOfTheirOwn) {
  Reporting r;
  EXPECT_EQ(Reports::SystemMessage("refillBuf", 21), "refillBuf: Is a directory");
  EXPECT_THROW(r.reports.Fail(Code::CannotRead, "refillBuf: Is a directory"), TranslationEnded);
  EXPECT_EQ(r.lines.text, "refillBuf: Is a directory\n");
  EXPECT_EQ(r.lines.all[0].severity, Severity::Deadly);
  EXPECT_EQ(r.lines.all[0].code, Code::CannotRead);
  EXPECT_EQ(r.lines.all[0].place.position.line, 0);
}

}  // namespace
