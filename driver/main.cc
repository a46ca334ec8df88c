// qel2json: translates a system description into one JSON document.
#include "driver/command_line.h"
#include "parser/parser.h"
#include "source/report.h"
#include "tree/walk.h"
#include "tree/construction.h"

int main(int argc, char** argv) {
  ClpInit(argc, argv);
  TreeInit();
  Parse();
  AttrMain();
  return SeverityCount[ERROR] > 0 ? 1 : 0;
}
