#!/bin/sh
# consumers.sh PREFIX WORK EXAMPLE...
#
# Builds the programs of this folder against the qel2json installed under
# PREFIX, as its users would: with CMake (find_package) and with pkg-config,
# in C and in C++, on the shared and the static library.  Each program must
# translate every EXAMPLE exactly as PREFIX/bin/qel2json does (document,
# diagnostics, status), without LD_LIBRARY_PATH.
prefix=$1 work=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work" || exit 1

cmake -S "$here" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > "$work/cmake.log" 2>&1 \
  || { cat "$work/cmake.log"; fail "find_package(qel2json) in $prefix"; }
cmake --build "$work/cmake" > "$work/build.log" 2>&1 || { cat "$work/build.log"; fail "building with CMake"; }

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
libdir=$(pkg-config --variable=libdir qel2json) || fail "pkg-config knows no qel2json in $prefix"
cflags=$(pkg-config --cflags qel2json) libs=$(pkg-config --libs qel2json)
cc -o "$work/pc_c" "$here/translate.c" $cflags $libs -Wl,-rpath,"$libdir" || fail "cc with pkg-config"
c++ -std=c++17 -o "$work/pc_cxx" "$here/translate.cc" $cflags $libs -Wl,-rpath,"$libdir" || fail "c++ with pkg-config"
cc -o "$work/pc_c_static" "$here/translate.c" $cflags "$libdir/libqel2json.a" $(pkg-config --static --libs-only-l qel2json | sed 's/-lqel2json//') \
  || fail "cc with pkg-config, static"

unset LD_LIBRARY_PATH
for example in "$@"; do
  "$prefix/bin/qel2json" "$example" > "$work/expected.out" 2> "$work/expected.err"
  echo $? > "$work/expected.status"
  for program in cmake/c_qel2json cmake/cxx_qel2json cmake/c_qel2json_static cmake/cxx_qel2json_static \
                 pc_c pc_cxx pc_c_static; do
    "$work/$program" "$example" > "$work/got.out" 2> "$work/got.err"
    echo $? > "$work/got.status"
    for part in out err status; do
      cmp -s "$work/expected.$part" "$work/got.$part" || fail "$program differs from qel2json on $example ($part)"
    done
  done
done
echo "consumers passed: CMake and pkg-config, C and C++, shared and static, against $prefix"
