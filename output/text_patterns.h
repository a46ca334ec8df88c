// Output text patterns: the JSON document is composed as a tree of small,
// shared, immutable text nodes and printed in one pass by PTGOut.
//
// Indentation is not part of the text: the bracket patterns raise and lower a
// running level while printing, so a node's lines are indented by where it is
// printed, not by where it was built.  Nodes come from an obstack of their
// own and live until the process ends.
#pragma once

struct TextNode;
using PTGNode = const TextNode*;

// The static nodes; each call returns the same node.
PTGNode PTGNULL();        // prints nothing; PTGCat folds on it
PTGNode PTGEmpty();       // prints nothing too, but is not the null node
PTGNode PTGNullMember();  // "Null": null

// "{", +, NL, a, -, NL, "}"   (+/- raise/lower the level by 3; NL is a line
// feed followed by as many spaces as the level)
PTGNode PTGObject(PTGNode a);
// "[", +, NL, a, -, NL, "]"
PTGNode PTGArray(PTGNode a);
// "\"", key, "\": ", a        (the key is written as given, not escaped)
PTGNode PTGMember(const char* key, PTGNode a);
// "\"", key, "\": {", +, NL, a, -, NL, "}", NL
PTGNode PTGObjectMember(const char* key, PTGNode a);
// a, b, ",", NL
PTGNode PTGListElem(PTGNode a, PTGNode b);
// The parts with ",", NL between each two neighbours.
PTGNode PTGSeq2(PTGNode a1, PTGNode a2);
PTGNode PTGSeq3(PTGNode a1, PTGNode a2, PTGNode a3);
PTGNode PTGSeq4(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4);
PTGNode PTGSeq5(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5);
PTGNode PTGSeq6(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5, PTGNode a6);
PTGNode PTGSeq7(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5, PTGNode a6,
                PTGNode a7);
PTGNode PTGSeq8(PTGNode a1, PTGNode a2, PTGNode a3, PTGNode a4, PTGNode a5, PTGNode a6,
                PTGNode a7, PTGNode a8);
// The same for count parts (2 to 8) taken from parts[0..count).
PTGNode PTGSeq(int count, const PTGNode* parts);
// a, b; the null node itself when both are the null node.
PTGNode PTGCat(PTGNode a, PTGNode b);
// i in decimal, as "%d" writes it.
PTGNode PTGInt(int i);
// Every byte stored under the string index s, NUL bytes included; nothing
// is quoted or escaped.
PTGNode PTGStr(int s);

// Prints the text tree root on standard output (nothing for a null root),
// flushes it and returns root.  A failed write is a DEADLY report
// "cannot write the output: <reason>" without position, which ends the run.
PTGNode PTGOut(PTGNode root);

// Releases every text node and forgets any output not yet written and the
// indentation, so that a test or a fuzz run can print another document in
// the same process (even after a run that ended in the middle of printing).
void ResetOutput();
