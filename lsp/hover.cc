#include "lsp/hover.h"

namespace lsp {

namespace {

struct Explanation {
  std::string_view word;
  int kind;  // -1: in a node of any kind without an explanation of its own
  std::string_view text;
};

// Generated: { "WORD", KIND, "Markdown" }, ...
constexpr Explanation kExplanations[] = {
#include "lsp/hover_texts.inc"
};

}  // namespace

std::string_view HoverText(std::string_view word, qel2json_kind kind) {
  std::string_view anywhere;
  for (const Explanation& e : kExplanations) {
    if (e.word != word) continue;
    if (e.kind == int(kind)) return e.text;
    if (e.kind < 0) anywhere = e.text;
  }
  return anywhere;
}

}  // namespace lsp
