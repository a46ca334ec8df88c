// A place in the input text.
#pragma once

namespace qel2json::detail {

struct SrcPosition {
  int line;  // first line is 1; 0 with col 0 means "no position"
  int col;   // first character of a line is column 1
};

}  // namespace qel2json::detail
