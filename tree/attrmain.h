#pragma once

// Visits the root of the tree, which writes the document.
void AttrMain();
