#!/bin/sh
# check.sh EXPECTED OUT COMMAND...: runs COMMAND, which writes OUT, and
# compares OUT with EXPECTED.
expected=$1 out=$2
shift 2
rm -f "$out"
"$@" || { echo "failed: $*"; exit 1; }
diff -u "$expected" "$out"
