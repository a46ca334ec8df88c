// A place in the input text.
#pragma once

#include <climits>
#include <cstddef>

namespace qel2json::detail {

// Lines and columns are ints, as every interface shows them.  A line or a
// column past INT_MAX (a line longer than 2 GiB, an input of more lines)
// shows as INT_MAX: it stops there and never wraps, while the byte offsets
// of tokens and spans stay exact.  Every coordinate of an input below
// 2 GiB is exact.
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

// A coordinate counted in size_t, as it is shown.
constexpr int Saturated(size_t coordinate) { return coordinate < size_t(INT_MAX) ? int(coordinate) : INT_MAX; }

}  // namespace qel2json::detail
