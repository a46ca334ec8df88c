// The keyword a misspelt word was most likely meant to be, for tools that
// read a word that is no keyword as one mistake rather than a cascade.
#pragma once

#include <string_view>

namespace qel2json::detail {

// The terminal code of the keyword nearest to `word` in edit distance
// (letters compared without case, so that "system" is SYSTEM), or 0 when
// none is near enough to be a likely fix: at most one edit in three letters
// of the keyword.  A word that equals a keyword is no misspelling (0).
int NearestKeyword(std::string_view word);

}  // namespace qel2json::detail
