// Generators of large descriptions for benchmarks and stress runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

// A valid description of at least `bytes` bytes with a realistic mix of
// every construct: variables with parameters, inputs, outputs, states and
// auxiliaries, nested Specificationtrees, direct links, couplings, basic
// blocks with matrices and nested function expressions.  Every literal is
// also valid JSON (no reals like .5 or 3., only \" and \\ escapes), so the
// output can be checked by a JSON parser.  The same seed gives the same text.
void WriteDescription(FILE* out, uint64_t bytes, uint64_t seed = 1);

// A valid description of at least `bytes` bytes dense in tokens: one-letter
// names and units, integers below 100, reals of three to five characters and
// many small lists (reals, indices, assignments, matrix entries), about 3.6
// input bytes per token, and an output about ten times the input.  Every
// literal is valid JSON as written.  The same seed gives the same text.
void WriteDense(FILE* out, uint64_t bytes, uint64_t seed = 1);

// Stress shapes.
// One list of count strings "s": perLine of them on each line, or all on one
// line when perLine is 0 (the densest description: 4 bytes per element).
void WriteStringList(FILE* out, uint64_t count, uint64_t perLine);
void WriteNestedCoupletrees(FILE* out, int depth);         // coupletrees nested depth deep
void WriteOneLine(FILE* out, uint64_t bytes);              // a description without line ends
void WriteContinuedString(FILE* out, uint64_t bytes, uint64_t lines);  // one string over many lines
void WriteSyntaxErrors(FILE* out, uint64_t errors);        // that many syntax errors, spread out

}  // namespace bench
