// A place in the input text.
#pragma once

struct SrcPosition {
  int line;  // first line is 1; 0 with col 0 means "no position"
  int col;   // first character of a line is column 1
};
