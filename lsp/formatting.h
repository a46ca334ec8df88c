// Formatting (textDocument/formatting): the whole text in the canonical
// layout of qel2json_format, comments kept, as one edit that replaces it
// all, or none where the text has that layout already.  The editor's
// formatting options (tab size, blanks or tabs) do not apply: the layout
// is fixed.  A text with an ERROR is not formatted, since its meaning is a
// guess: the answer is null, with a warning that names the first ERROR.
#pragma once

#include "lsp/analysis.h"

namespace lsp {

Reply FormattingOf(const Analysis& a, qel2json::Translator& translator, Encoding encoding);

}  // namespace lsp
