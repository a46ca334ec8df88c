#include "parser/parser.h"

void Parse() {}
