#include "tree/tree.h"

void TreeInit() {}
