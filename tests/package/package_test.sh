#!/bin/sh
# package_test.sh CPACK CONFIG WORK PROGRAM LINTIAN REQUIRED CONSUMERS INPUT...
#
# Makes the packages in WORK with cpack, unpacks the Debian package into a
# root of its own, and checks that it holds every file named in REQUIRED,
# that its qel2json treats each INPUT exactly as the build's PROGRAM does
# (document, diagnostics, exit status), that programs of users build
# against its library and headers (the CONSUMERS script), that the .tar.gz
# holds the program, and, unless LINTIAN is "-", that lintian reports no
# error (E:) on it.
cpack=$1 config=$2 work=$3 program=$4 lintian=$5 required=$6 consumers=$7
shift 7
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work" && mkdir -p "$work/root" || exit 1
"$cpack" --config "$config" -B "$work" || fail "cpack"
deb=$(ls "$work"/*.deb) && tgz=$(ls "$work"/*.tar.gz) || fail "cpack made no .deb or no .tar.gz"
dpkg-deb -I "$deb" && dpkg-deb -c "$deb" && dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb on $deb"

while read -r file; do
  [ -f "$work/root/$file" ] || fail "the package has no /$file"
done < "$required"

for input in "$@"; do
  for side in build package; do
    [ $side = build ] && run=$program || run=$work/root/usr/bin/qel2json
    "$run" "$input" > "$work/$side.out" 2> "$work/$side.err"
    echo $? > "$work/$side.status"
  done
  for part in out err status; do
    cmp "$work/build.$part" "$work/package.$part" || fail "the packaged program differs on $input ($part)"
  done
done

sh "$consumers" "$work/root/usr" "$work/consumer" "$@" || fail "programs of users against the package"

tar -tzf "$tgz" | grep -q '/bin/qel2json$' || fail "$tgz holds no bin/qel2json"

# The language server finds the packaged library from where it stands.
if [ -f "$work/root/usr/bin/qel2json-lsp" ]; then
  "$work/root/usr/bin/qel2json-lsp" --version | grep -q '^qel2json-lsp ' || fail "the packaged qel2json-lsp does not run"
fi

if [ "$lintian" != "-" ]; then
  "$lintian" "$deb" > "$work/lintian.txt" 2>&1
  cat "$work/lintian.txt"
  ! grep -q '^E:' "$work/lintian.txt" || fail "lintian reports errors"
fi
echo "package test passed: $deb, $tgz"
