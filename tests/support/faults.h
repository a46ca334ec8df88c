// Failures on demand, for tests of what happens when memory runs out.
#pragma once

#include "memory/pages.h"
#include "translator/translation.h"

namespace qel2json::detail {

struct FaultInjection {
  // After `successes` more mappings from `pages` succeed, the next one
  // fails as if the system had no memory left (once); -1 takes the
  // failure back.
  static void FailMappingsAfter(PageSource& pages, long successes) { pages.failAfter_ = successes; }
  static void FailMappingsAfter(Translation& translation, long successes) {
    FailMappingsAfter(translation.pages_, successes);
  }
};

}  // namespace qel2json::detail
