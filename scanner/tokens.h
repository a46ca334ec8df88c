// Terminal codes, derived from tokens.def.
#pragma once

enum Token : int {
#define TOKEN(code, name, text) TK_##name = code,
#include "scanner/tokens.def"
#undef TOKEN
};
inline constexpr int kTokenCount = 36;  // codes 1 to 36
