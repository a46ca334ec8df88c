// Memory for the stores that grow with the input (tree nodes, text nodes,
// literal texts): obstacks with large chunks advised for huge pages, so that
// a large input costs a few thousand page faults instead of a few hundred
// thousand.
#pragma once

#include <obstack.h>

#include <cstddef>

// For the functions that expand the obstack macros which finish or free an
// object: glibc's obstack.h aligns pointers there by arithmetic that starts
// from a null pointer, which the pointer-overflow sanitizer reports although
// the result is a valid pointer.  Only that one check is left out.
#define EXPANDS_OBSTACK_MACROS __attribute__((no_sanitize("pointer-overflow")))

// Initialises an obstack whose chunks come from malloc in large, huge-page
// advised pieces; objects are aligned to `alignment` bytes.
void InitLargeObstack(struct obstack* ob, size_t alignment);
