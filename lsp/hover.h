// The explanations hover shows, taken from docs/language.md when the
// server is built (tools/hover_texts).
#pragma once

#include <string_view>

#include "qel2json.h"

namespace lsp {

// The explanation (Markdown) of a keyword where it belongs to a node of
// kind `kind` (a keyword may play several roles: INTEGER as a start value
// and in an expression), or of a token class by its name in the token
// table ("string literal", "comment"); "" for others.
std::string_view HoverText(std::string_view word, qel2json_kind kind);

}  // namespace lsp
