// The end-of-text hook of the scanner.
#pragma once

// TokenProcessor that NextToken calls once it has found the end of the input,
// with the code already set to end of text.  Changes nothing in this system.
void OnEndOfInput(char* begin, int length, int* code, int* attribute);
