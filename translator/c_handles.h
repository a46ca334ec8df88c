// What the opaque handles of qel2json.h are inside the library.  For the
// C interface and for tests that reach behind it.
#pragma once

#include <memory>

#include "translator/translation.h"

struct qel2json_translator {
  // Trimming replaces it with a new one.
  std::unique_ptr<qel2json::detail::Translation> translation = std::make_unique<qel2json::detail::Translation>();
};
