// The outline of a description (textDocument/documentSymbol): the system
// and its class, the Specificationtree of parts with their variable lists
// and variables, direct links, couplings with their coupletrees, basic
// blocks with their representation and matrices, function calls and
// references.  Each symbol's range covers its text, its selection range its
// name or keyword.
#pragma once

#include "lsp/analysis.h"

namespace lsp {

// The spans come from the analysis, made with `translator` if need be.
json DocumentSymbolsOf(const Analysis& a, qel2json::Translator& translator, Encoding encoding);

}  // namespace lsp
