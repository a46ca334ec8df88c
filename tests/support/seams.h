// Ways into the stages for tests of the 32-bit edges, which only gigabytes
// of input reach otherwise: a scan that starts on a far line and column,
// and stored texts of gigabytes whose bytes are never written (untouched
// pages cost no memory).
#pragma once

#include <cstddef>

#include "scanner/scanner.h"
#include "store/string_table.h"

namespace qel2json::detail {

class ScannerSeam {
 public:
  // After Start: the scan goes on as if the text began on line
  // `position.line` with its first byte at column `position.col`.
  static void StartAt(Scanner& scanner, SrcPosition position) {
    scanner.currentLine_ = position.line;
    scanner.lineStart_ -= size_t(position.col) - 1;
  }
};

class StringTableSeam {
 public:
  // A new text of `length` bytes, with its length and its NUL in place and
  // its bytes unwritten: returns its index, and where the bytes go in *bytes.
  static int AddUnwritten(StringTable& table, size_t length, char** bytes) {
    *bytes = table.Add(length);
    return int(table.index_.size() - 1);
  }
};

}  // namespace qel2json::detail
