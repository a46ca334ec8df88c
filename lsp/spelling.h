// The keyword a misspelt word was most likely meant to be.
#pragma once

#include <string>
#include <string_view>

namespace lsp {

// The keyword of the token table nearest to word in edit distance (letters
// compared without case, so that "system" is SYSTEM), or "" when none is
// near enough to be a likely fix.
std::string NearestKeyword(std::string_view word);

}  // namespace lsp
