// qel2json: translates a system description into one JSON document.
#include "driver/clpintf.h"
#include "parser/parser.h"
#include "source/err.h"
#include "tree/attrmain.h"
#include "tree/tree.h"

int main(int argc, char** argv) {
  ClpInit(argc, argv);
  TreeInit();
  Parse();
  AttrMain();
  return SeverityCount[ERROR] > 0 ? 1 : 0;
}
