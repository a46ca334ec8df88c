// What the command-line programs share: standard streams written whole,
// diagnostics in the command line's form, inputs opened with the command
// line's message.
#pragma once

#include <cstddef>
#include <string>

#include "qel2json.hpp"

namespace console {

// Writes all n bytes, through short and interrupted writes; false, with
// errno set, when a write fails.
bool WriteAll(int fd, const char* bytes, size_t n);

// The diagnostic's line, as the command line writes it on standard error.
void ShowDiagnostic(const qel2json::Diagnostic& diagnostic);

// A descriptor open for reading the file `name`, or -1 after the message
// "PROGRAM: cannot open NAME for reading" on standard error.
int OpenForReading(const char* program, const std::string& name);

// read(2) as the library's read functions are called.
long ReadSome(int fd, char* buffer, size_t size);

}  // namespace console
