#!/bin/sh
# What the shared libraries export, read from their dynamic symbol tables.
#   check-exports.sh NM platform LIBOLVPLATFORM LIB...
#     every symbol of namespace plat (functions, variables, vtables, type
#     information, guard variables, thunks) is defined in LIBOLVPLATFORM and in
#     none of the other libraries;
#   check-exports.sh NM one-owner LIB...
#     no symbol of the suite (namespaces plat and swde) is defined in more than
#     one of the libraries: a class used across libraries has its vtable and
#     type information in the library of its key function only;
#   check-exports.sh NM only LIB SYMBOL...
#     LIB defines exactly the given symbols in its dynamic table, no more.
set -eu

nm_tool=$1
mode=$2
shift 2

# Defined dynamic symbols of a library, demangled, one a line.
defined() {
  "$nm_tool" -D -C --defined-only --format=posix "$1" | sed 's/ [A-Za-z] [0-9a-fA-F]*\( [0-9a-fA-F]*\)\{0,1\}$//'
}

# The prefixes the compiler gives to the data and thunks of a class or a
# variable, taken off to find the owner of a symbol.
prefixes='^((typeinfo name|typeinfo|vtable|VTT|construction vtable|guard variable|TLS init function|TLS wrapper function) for |(non-virtual|virtual|covariant return) thunk to )+'
owner() {
  sed -E "s/$prefixes//"
}

# The symbols whose owner is namespace plat.
platform_symbols() {
  owner | grep '^plat::' || true
}

failed=0
# A library that is not there would pass every check unseen.
for lib in "$@"; do
  case "$lib" in
    */*)
      if [ ! -r "$lib" ]; then
        echo "cannot read $lib"
        exit 1
      fi
      ;;
  esac
done

case "$mode" in
  platform)
    platform=$1
    shift
    own=$(defined "$platform")
    # The check must see the library's real exports, or it proves nothing.
    for sym in '^plat::Format[[(]' '^plat::Trim[[(]' '^plat::StrToInt\(' '^plat::SetErrorInfo\(' \
        '^typeinfo for plat::IUnknown$' '^typeinfo for plat::EFileError$'; do
      if ! printf '%s\n' "$own" | grep -qE "$sym"; then
        echo "$(basename "$platform") does not export $sym"
        failed=1
      fi
    done
    for lib in "$@"; do
      copies=$(defined "$lib" | platform_symbols)
      if [ -n "$copies" ]; then
        echo "$(basename "$lib") defines symbols of the platform:"
        printf '%s\n' "$copies" | head -n 20 | sed 's/^/  /'
        failed=1
      fi
    done
    ;;
  one-owner)
    all=$(for lib in "$@"; do
      # "library<TAB>name" for each symbol of the suite, once per library.
      defined "$lib" | sort -u | awk -v lib="$(basename "$lib")" -v prefixes="$prefixes" '{
        o = $0
        sub(prefixes, "", o)
        if (o ~ /^(plat|swde)::/) print lib "\t" $0
      }'
    done)
    shared=$(printf '%s\n' "$all" | awk -F '\t' 'NF == 2 { libs[$2] = libs[$2] " " $1; n[$2]++ }
      END { for (s in n) if (n[s] > 1) print s " in" libs[s] }' | sort)
    if [ -n "$shared" ]; then
      echo "defined in more than one library:"
      printf '%s\n' "$shared" | head -n 40 | sed 's/^/  /'
      failed=1
    fi
    ;;
  only)
    lib=$1
    shift
    expected=$(printf '%s\n' "$@" | sort)
    actual=$(defined "$lib" | sort)
    if [ "$expected" != "$actual" ]; then
      echo "$(basename "$lib") exports:"
      printf '%s\n' "$actual" | sed 's/^/  /'
      echo "expected only:"
      printf '%s\n' "$expected" | sed 's/^/  /'
      failed=1
    fi
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
exit $failed
