#pragma once

// Parses the whole input; leaves the root of the tree on the node stack.
void Parse();
