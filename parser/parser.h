// The LR parser: pulls tokens from the scanner, drives the tables generated
// from grammar.txt, builds the tree through the reduce actions, and repairs
// syntax errors so that a complete tree always results.
#pragma once

// One grammar symbol on the parse stack, and the lookahead token.
struct TokenRecord {
  int line;       // of the symbol's first token
  int column;
  int code;       // terminal code
  int attribute;  // as the scanner delivered it; 0 for an inserted symbol
};

// The lookahead.  The scanner writes the attribute field directly, so a
// token without a value leaves the previous attribute standing there.
extern TokenRecord CurrentToken;

// Parses the whole input from the start of the source buffer; leaves the
// root of the tree on the node stack.
void Parse();

// Builds the tree rule of a production.  first is the value-stack entry of
// the first right-side symbol (the others follow it).  Sets TokenPos to that
// entry's coordinate first: the first token of the text the production
// covered, or the lookahead for an empty right side.
void ReduceAction(int production, const TokenRecord* first);
