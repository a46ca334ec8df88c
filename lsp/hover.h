// The explanations hover shows, taken from docs/language.md when the
// server is built (tools/hover_texts).
#pragma once

#include <string_view>

namespace lsp {

// The explanation (Markdown) of a keyword, or of a token class by its
// name in the token table ("string literal", "comment"); "" for others.
std::string_view HoverText(std::string_view word);

}  // namespace lsp
