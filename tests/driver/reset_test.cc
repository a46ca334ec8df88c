// Running the translator again in the same process after a reset gives the
// same document, diagnostics and counts as the first run.
#include <string>

#include <gtest/gtest.h>

#include "driver/reset.h"
#include "parser/parser.h"
#include "source/report.h"
#include "support/child.h"
#include "tree/walk.h"

namespace {

void Translate(const TempFile& input) {
  ResetTranslator();
  initBuf("in", input.Open());
  TreeInit();
  Parse();
  AttrMain();
}

TEST(Reset, ASecondRunRepeatsTheFirst) {
  TempFile input(ReadFileBytes(EXAMPLE) + "\n< \"trailing\" >\n");
  Outcome once = RunInChild([&] { Translate(input); });
  Outcome twice = RunInChild([&] {
    Translate(input);
    Translate(input);
    if (SeverityCount[ERROR] != 1) _exit(3);
  });
  ASSERT_FALSE(once.out.empty());
  EXPECT_EQ(twice.status, 0);
  EXPECT_EQ(twice.out, once.out + once.out);
  EXPECT_EQ(twice.err, once.err + once.err);
}

}  // namespace
