// The input text buffer and the coordinate state shared by every stage.
//
// The buffer hands the scanner whole lines only: the available text always
// ends with a line end and is followed by one NUL byte.  When the scanner
// reaches that NUL it calls refillBuf, which keeps the unfinished token and
// makes at least one more complete line available behind it.
#pragma once

struct SrcPosition {
  int line;  // first line is 1; 0 with col 0 means "no position"
  int col;   // first character of a line is column 1
};

// Coordinate of the token most recently recognised (also set by the parser
// before each tree construction).
extern SrcPosition TokenPos;
// Number of the line being scanned, from 1.
extern int CurrentLine;
// One byte before the first character of the current line, so that the
// column of the byte at p is p - LineStart (tabs move it back).
extern char* LineStart;

struct SrcBuf {
  int fd;           // descriptor the text is read from
  int atEof;        // 1 once a read returned 0 bytes
  char savedChar;   // the byte that the NUL at textEnd covers
  int frontSize;    // bytes of the front area (retained text goes here)
  int readSize;     // bytes of the read area (new input goes here)
  char* memblock;   // front area, read area, spare bytes
  char* textEnd;    // where the NUL ending the available text stands
  char* TextStart;  // first byte the scanner has not consumed
  int readCount;    // bytes held in the read area, from its start
  char name[];      // the input's name, stored inside the record
};

// The one input buffer; null until initBuf has run.
extern SrcBuf* SrcBuffer;

// Creates SrcBuffer on an open descriptor (releasing any buffer before it)
// and makes the first lines available.
void initBuf(const char* name, int fd);

// p is the first byte the scanner still needs (or textEnd).  Keeps the bytes
// from p on, makes further complete lines available behind them and sets
// TextStart to where the byte at p now stands.  Every pointer into the buffer
// is invalid afterwards.
void refillBuf(char* p);

// Drops the buffer and resets the coordinate state to the start of a run.
void ResetSource();
