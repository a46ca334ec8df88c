// The terminal codes of the description language, derived from the one
// list in tokens.def: the enum TK_<name> and the table kTokens.
#pragma once

#include <cstddef>
#include <string_view>

namespace qel2json::detail {

enum Token : int {
#define TOKEN(code, name, text) TK_##name = code,
#include "scanner/tokens.def"
#undef TOKEN
};

struct TokenSpelling {
  int code;
  std::string_view name;  // TK_<name>; the grammar writes literal classes by it
  std::string_view text;  // the token's fixed text, empty for end of text and literals
};

inline constexpr TokenSpelling kTokens[] = {
#define TOKEN(code, name, text) {code, #name, text},
#include "scanner/tokens.def"
#undef TOKEN
};

// Codes run from 1 to kTokenCount, in the order of the list.
inline constexpr int kTokenCount = int(std::size(kTokens));

inline constexpr bool kCodesFollowTheList = [] {
  for (int i = 0; i < kTokenCount; ++i)
    if (kTokens[i].code != i + 1) return false;
  return true;
}();
static_assert(kCodesFollowTheList, "tokens.def must number its codes 1, 2, 3, ... in order");

// What kind of token a terminal is, as tools that show the text group them.
enum class TokenClass { EndOfText, Keyword, Bracket, Integer, Real, String };

constexpr TokenClass ClassOf(int code) {
  switch (code) {
    case TK_EndOfText: return TokenClass::EndOfText;
    case TK_IntegerLiteral: return TokenClass::Integer;
    case TK_RealLiteral: return TokenClass::Real;
    case TK_StringLiteral: return TokenClass::String;
    default: break;
  }
  std::string_view text = kTokens[code - 1].text;
  return text.size() == 1 && (text[0] < 'A' || text[0] > 'Z') ? TokenClass::Bracket : TokenClass::Keyword;
}

}  // namespace qel2json::detail
