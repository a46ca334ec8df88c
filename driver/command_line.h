// The command line: no options, one optional parameter InputFile.
#pragma once

#include "store/definition_table.h"

// The key of the one parameter, null when none was given.  Its ClpValue
// property is the StringIndex of the argument text.
extern DefKey InputFile;

// Checks the arguments, opens the input (a file, or standard input under the
// name "stdin") and creates the source buffer on it.  Ends the process with
// status 1 for two or more arguments, 2 when the file cannot be opened.
void ClpInit(int argc, char** argv);

// Prints the usage text on standard error and ends the process, status 1.
[[noreturn]] void Usage(const char* progname);
