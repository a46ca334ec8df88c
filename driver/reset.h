// Running the translator more than once in one process (the fuzz target,
// an embedding): every module back to the state it has when a run starts.
#pragma once

// Releases the input buffer, the stored texts and the command-line keys,
// and clears the report counts.  The stages that keep no
// state between runs (scanner, parser, tree, output) start afresh anyway
// when they are entered.
void ResetTranslator();
