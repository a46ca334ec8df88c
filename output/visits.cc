#include "tree/attrmain.h"

const std::array<VisitProc, kRuleCount> VisitTable = {};
