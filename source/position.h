// A place in the input text.
#pragma once

#include <cstddef>

namespace qel2json::detail {

struct SrcPosition {
  int line;  // first line is 1; 0 with col 0 means "no position"
  int col;   // first character of a line is column 1
};

// What a report points at: the coordinate the command line prints, and
// the bytes of the input there (`length` of them from `offset`, counted
// from the input's first byte; none for a place between bytes).
struct Place {
  SrcPosition position;
  size_t offset;
  size_t length;
};

inline constexpr Place kNowhere = {{0, 0}, 0, 0};

}  // namespace qel2json::detail
