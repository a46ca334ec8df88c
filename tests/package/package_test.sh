#!/bin/sh
# package_test.sh CPACK CONFIG WORK PROGRAM LINTIAN REQUIRED CONSUMERS PYTHON INPUT...
#
# Makes the packages in WORK with cpack, unpacks the Debian package into a
# root of its own, and checks that it holds every file named in REQUIRED,
# that its qel2json, and unless PYTHON is "-" its Python package run by
# PYTHON with the library of the package, treat each INPUT exactly as the
# build's PROGRAM does (document, diagnostics, exit status), that programs
# of users build against its library and headers (the CONSUMERS script,
# unless it is "-"),
# that the .tar.gz holds the program, and, unless LINTIAN is "-", that
# lintian reports no error (E:) on it.
cpack=$1 config=$2 work=$3 program=$4 lintian=$5 required=$6 consumers=$7 python=$8
shift 8
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work" && mkdir -p "$work/root" || exit 1
"$cpack" --config "$config" -B "$work" || fail "cpack"
deb=$(ls "$work"/*.deb) && tgz=$(ls "$work"/*.tar.gz) || fail "cpack made no .deb or no .tar.gz"
dpkg-deb -I "$deb" && dpkg-deb -c "$deb" && dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb on $deb"

while read -r file; do
  [ -f "$work/root/$file" ] || fail "the package has no /$file"
done < "$required"

# The Python package as the command line: the document, the diagnostics, the status.
as_command_line='import os, sys, qel2json
want = os.path.realpath(sys.argv[2] + "/usr/lib/libqel2json.so.1")
loaded = [os.path.realpath(l.split()[-1]) for l in open("/proc/self/maps") if "libqel2json" in l]
assert set(loaded) == {want}, "the package loads %s, not %s" % (loaded, want)
r = qel2json.translate_file(sys.argv[1])
sys.stdout.buffer.write(r.document or b""); sys.stderr.write(r.diagnostics_text); sys.exit(r.status)'
sides="program"
[ "$python" != "-" ] && sides="program python"
for input in "$@"; do
  for side in build $sides; do
    case $side in
      build) "$program" "$input" ;;
      program) "$work/root/usr/bin/qel2json" "$input" ;;
      python) env -u LD_LIBRARY_PATH PYTHONPATH="$work/root/usr/lib/python3/dist-packages" \
                "$python" -c "$as_command_line" "$input" "$work/root" ;;
    esac > "$work/$side.out" 2> "$work/$side.err"
    echo $? > "$work/$side.status"
  done
  for side in $sides; do
    for part in out err status; do
      cmp "$work/build.$part" "$work/$side.$part" || fail "the packaged $side differs on $input ($part)"
    done
  done
done

if [ "$consumers" != "-" ]; then
  sh "$consumers" "$work/root/usr" "$work/consumer" "$@" || fail "programs of users against the package"
fi

tar -tzf "$tgz" | grep -q '/bin/qel2json$' || fail "$tgz holds no bin/qel2json"

# The language server finds the packaged library from where it stands.
if [ -f "$work/root/usr/bin/qel2json-lsp" ]; then
  "$work/root/usr/bin/qel2json-lsp" --version | grep -q '^qel2json-lsp ' || fail "the packaged qel2json-lsp does not run"
fi

# The formatter finds the packaged library too, and its text of the first
# input means the same document.
if [ -f "$work/root/usr/bin/qel2json-format" ]; then
  "$work/root/usr/bin/qel2json-format" "$1" > "$work/formatted.qel" || fail "the packaged qel2json-format fails on $1"
  "$program" "$1" > "$work/example.json"
  "$work/root/usr/bin/qel2json" "$work/formatted.qel" | cmp - "$work/example.json" \
    || fail "the packaged qel2json-format changes the document of $1"
fi

if [ "$lintian" != "-" ]; then
  "$lintian" "$deb" > "$work/lintian.txt" 2>&1
  cat "$work/lintian.txt"
  ! grep -q '^E:' "$work/lintian.txt" || fail "lintian reports errors"
fi
echo "package test passed: $deb, $tgz"
