// Reporting: the one way every stage tells of a problem.
#pragma once

#include "source/source_buffer.h"

enum Severity : int { NOTE = 0, WARNING = 1, ERROR = 2, DEADLY = 3 };

// Reports counted per severity since the start of the run.
extern int SeverityCount[4];

// Back to the start of a run: no reports counted.
void ResetReports();

// Line 0, column 0: a report without a place in the text.
extern const SrcPosition NoPosition;

// Prints "FILE", line L:C SEVERITY: text on standard error at once.  A DEADLY
// report, and an ERROR count above CurrentLine / 20 + 10, end the process
// with status 1; every other report returns.
void Report(int severity, const char* text, const SrcPosition* position);
