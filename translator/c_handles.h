// What the opaque handles of qel2json.h are inside the library.  For the
// C interface and for tests that reach behind it.
#pragma once

#include "translator/translation.h"

struct qel2json_translator {
  qel2json::detail::Translation translation;
};
