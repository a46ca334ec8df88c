#include "source/report.h"

#include <cstdio>
#include <cstdlib>

int SeverityCount[4] = {0, 0, 0, 0};
const SrcPosition NoPosition = {0, 0};

namespace {

const char* const kSeverityName[4] = {"NOTE", "WARNING", "ERROR", "DEADLY"};

void PrintLine(const char* file, const SrcPosition* pos, int severity, const char* text) {
  fprintf(stderr, "\"%s\", line %d:%d %s: %s\n", file, pos->line, pos->col,
          kSeverityName[severity], text);
  fflush(stderr);
}

}  // namespace

void ResetReports() {
  for (int& count : SeverityCount) count = 0;
}

void Report(int severity, const char* text, const SrcPosition* position) {
  const char* file = SrcBuffer ? SrcBuffer->name : ".";
  if (severity < NOTE || severity > DEADLY) {
    fprintf(stderr, "Invalid severity code %d for \"%s\"\n", severity, text);
    severity = DEADLY;
  }
  if (!position) position = &NoPosition;
  PrintLine(file, position, severity, text);
  SeverityCount[severity]++;
  // Up to ten errors are always tolerated; every further twenty lines read
  // allow one more.
  if (SeverityCount[ERROR] > CurrentLine / 20 + 10) {
    PrintLine(file, position, DEADLY, "Too many ERRORs");
    exit(1);
  }
  if (severity == DEADLY) exit(1);
}
