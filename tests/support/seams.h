// Ways into the stages for tests of the 32-bit edges, which only gigabytes
// of input reach otherwise: stored texts of gigabytes whose bytes are
// never written (untouched pages cost no memory).
#pragma once

#include <cstddef>

#include "store/string_table.h"

namespace qel2json::detail {

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
