// qelgen: writes generated descriptions to standard output.
//
//   qelgen description BYTES [SEED]   a valid description of about BYTES bytes
//   qelgen dense BYTES [SEED]         a valid description of about BYTES bytes, dense in tokens
//   qelgen strings COUNT              a list of COUNT strings, 16 on a line
//   qelgen strings-one-line COUNT     a list of COUNT strings, all on one line
//   qelgen strings-per-line COUNT     a list of COUNT strings, one on each line
//   qelgen coupletrees DEPTH          coupletrees nested DEPTH deep
//   qelgen oneline BYTES              a description on one line
//   qelgen continued BYTES LINES      one string literal continued over LINES lines
//   qelgen errors COUNT               COUNT syntax errors, spread over lines
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/generator.h"

int main(int argc, char** argv) {
  auto arg = [&](int i) { return i < argc ? strtoull(argv[i], nullptr, 10) : 0ull; };
  const char* what = argc > 1 ? argv[1] : "";
  if (!strcmp(what, "description") && argc >= 3)
    bench::WriteDescription(stdout, arg(2), argc > 3 ? arg(3) : 1);
  else if (!strcmp(what, "dense") && argc >= 3)
    bench::WriteDense(stdout, arg(2), argc > 3 ? arg(3) : 1);
  else if (!strcmp(what, "strings") && argc == 3)
    bench::WriteStringList(stdout, arg(2), 16);
  else if (!strcmp(what, "strings-one-line") && argc == 3)
    bench::WriteStringList(stdout, arg(2), 0);
  else if (!strcmp(what, "strings-per-line") && argc == 3)
    bench::WriteStringList(stdout, arg(2), 1);
  else if (!strcmp(what, "coupletrees") && argc == 3)
    bench::WriteNestedCoupletrees(stdout, int(arg(2)));
  else if (!strcmp(what, "oneline") && argc == 3)
    bench::WriteOneLine(stdout, arg(2));
  else if (!strcmp(what, "continued") && argc == 4)
    bench::WriteContinuedString(stdout, arg(2), arg(3));
  else if (!strcmp(what, "errors") && argc == 3)
    bench::WriteSyntaxErrors(stdout, arg(2));
  else {
    fputs("usage: qelgen description BYTES [SEED] | dense BYTES [SEED] | strings COUNT |\n"
          "              strings-one-line COUNT | strings-per-line COUNT | coupletrees DEPTH |\n"
          "              oneline BYTES | continued BYTES LINES | errors COUNT\n",
          stderr);
    return 1;
  }
  return fflush(stdout) == 0 ? 0 : 1;
}
