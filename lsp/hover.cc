#include "lsp/hover.h"

namespace lsp {

namespace {

struct Explanation {
  std::string_view word;
  std::string_view text;
};

// Generated: { "WORD", "Markdown" }, ...
constexpr Explanation kExplanations[] = {
#include "lsp/hover_texts.inc"
};

}  // namespace

std::string_view HoverText(std::string_view word) {
  for (const Explanation& e : kExplanations)
    if (e.word == word) return e.text;
  return {};
}

}  // namespace lsp
