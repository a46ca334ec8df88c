// The abstract syntax tree.
#pragma once

// Prepares the storage of tree nodes; called once before parsing.
void TreeInit();
