#include "tree/attrmain.h"

void AttrMain() {}
