// Memory for the stores that grow with the input (tree nodes, text nodes,
// literal texts): obstacks with large chunks advised for huge pages, so that
// a large input costs a few thousand page faults instead of a few hundred
// thousand.
#pragma once

#include <obstack.h>

#include <cstddef>

// Initialises an obstack whose chunks come from malloc in large, huge-page
// advised pieces; objects are aligned to `alignment` bytes.
void InitLargeObstack(struct obstack* ob, size_t alignment);
