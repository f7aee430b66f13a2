#!/bin/sh
# The install of olven, checked as a user would meet it.
#   check-install.sh CMAKE BUILD_DIR WORK_DIR SOURCE_DIR
# Installs BUILD_DIR into a fresh prefix under WORK_DIR (flat: the programs,
# the libraries and the data in one folder) and checks that the program, its
# reference metadata, its templates and its shared libraries are in place,
# that the program finds the libraries of the prefix alone (also once the
# prefix is moved), and that the installed olven runs a syntax check of a
# sample.
set -eu

cmake=$1
build=$2
work=$3
source=$4

fail() {
  echo "check-install: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work/tmp" "$work/run"
"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
  fail "cmake --install failed: $(cat "$work/install.log")"

prefix=$work/prefix
[ -x "$prefix/olven" ] || fail "no olven"
cmp -s "$prefix/metadata_def.xml" "$source/app/metadata_def.xml" ||
  fail "metadata_def.xml is missing or differs from app/metadata_def.xml"
cmp -s "$prefix/szablon.reg" "$source/setup/szablon.reg" ||
  fail "szablon.reg is missing or differs from setup/szablon.reg"
[ -f "$prefix/pomoc/index.html" ] || fail "no pomoc/index.html"
[ ! -e "$prefix/bin" ] && [ ! -e "$prefix/lib" ] || fail "the install is not flat"

for file in "$prefix/olven" "$prefix"/lib*.so; do
  runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p')
  [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$file")'s run path is '$runpath'"
done

# Every library of the suite that olven loads comes from the prefix.
libraries_from() {
  env -u LD_LIBRARY_PATH ldd "$1/olven" >"$work/ldd.txt" || fail "ldd failed"
  if grep -q 'not found' "$work/ldd.txt"; then
    fail "olven misses libraries: $(grep 'not found' "$work/ldd.txt")"
  fi
  suite=$(grep 'libolv' "$work/ldd.txt" || true)
  [ -n "$suite" ] || fail "olven loads no library of the suite"
  lib=$(readlink -f "$1")
  echo "$suite" | while read -r name arrow path rest; do
    case $(readlink -f "$path") in
      "$lib/"*) ;;
      *) fail "$name comes from $path, not from $lib" ;;
    esac
  done
}

run_check() {
  cp "$source/samples/przyklad.swd" "$work/run/"
  (cd "$work/run" &&
    env -u LD_LIBRARY_PATH LC_ALL=C.UTF-8 TMPDIR="$work/tmp" \
      "$1/olven" sk -pwe przyklad.swd </dev/null >"$work/out.txt" 2>"$work/err.txt") ||
    fail "olven sk ended with $?: $(cat "$work/out.txt" "$work/err.txt")"
  grep -q 'Sumaryczna liczba błędów    : 0' "$work/out.txt" ||
    fail "no error summary: $(cat "$work/out.txt")"
  grep -q '^STOP: ' "$work/out.txt" || fail "no STOP line: $(cat "$work/out.txt")"
}

libraries_from "$prefix"
run_check "$prefix"

# The installed tree is relocatable.
mv "$prefix" "$work/moved"
libraries_from "$work/moved"
run_check "$work/moved"

rm -rf "$work"
echo "check-install: ok"
