#!/bin/sh
# olvgen refuses a size that is not a positive number of at most 64 bits
# (suffix included), an object count that is not a positive number of at
# most 2^40, and a seed that is not a number: status 1, a message on standard
# error, and no output file. A write that fails ends it the same way, with
# nothing left behind. Given OLVEN, the objects olvgen writes pass the
# semantic and the syntax check without a finding.
#   check-olvgen.sh OLVGEN [OLVEN]
set -u

olvgen=$1
olven=${2:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/olvgenXXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
out=$work/plik.swd
failed=0

fail() {
  echo "FAIL: $*"
  failed=1
}

# refused ARGUMENT...: olvgen $out ARGUMENT... must fail as described above.
refused() {
  rm -f "$out" "$work/err"
  "$olvgen" "$out" "$@" 2>"$work/err"
  status=$?
  [ "$status" -eq 1 ] || fail "olvgen plik $*: status $status, expected 1"
  [ ! -e "$out" ] || fail "olvgen plik $*: the file was written"
  [ -s "$work/err" ] || fail "olvgen plik $*: no message"
}

# Sizes.
refused -1
refused 0
refused 0K
refused ''
refused ' 1'
refused +1
refused 1.5M
refused 1T
refused 1KB
refused 0x10
refused 18446744073709551616     # 2^64
refused 99999999999999999999999
refused 18014398509481984K       # 2^54 K = 2^64
refused 17592186044416M          # 2^44 M = 2^64
refused 17179869184G             # 2^34 G = 2^64
refused 18446744073709551615G
# Seeds.
refused 1K abc
refused 1K -1
refused 1K ''
refused 1K 12x
refused 1K 18446744073709551616
# Arguments.
refused
refused 1K 1 more

# refusedObjects ARGUMENT...: olvgen --obiekty ARGUMENT... must fail, with no
# file written.
refusedObjects() {
  rm -f "$out" "$work/err"
  "$olvgen" --obiekty "$@" 2>"$work/err"
  status=$?
  [ "$status" -eq 1 ] || fail "olvgen --obiekty $*: status $status, expected 1"
  [ ! -e "$out" ] || fail "olvgen --obiekty $*: the file was written"
  [ -s "$work/err" ] || fail "olvgen --obiekty $*: no message"
}
refusedObjects 0 "$out"
refusedObjects -1 "$out"
refusedObjects 1K "$out"
refusedObjects '' "$out"
refusedObjects 1099511627777 "$out"  # 2^40 + 1
refusedObjects 10 "$out" abc
refusedObjects 10
refusedObjects 10 "$out" 1 more

# What is allowed is written: the largest seed, and a size given in bytes.
rm -f "$out"
"$olvgen" "$out" 4K 18446744073709551615 || fail "olvgen plik 4K 18446744073709551615: status $?"
[ -s "$out" ] || fail "olvgen plik 4K 18446744073709551615: no file"
rm -f "$out"
"$olvgen" "$out" 4096 || fail "olvgen plik 4096: status $?"
[ "$(head -c 5 "$out")" = "SWDE." ] || fail "olvgen plik 4096: no SWDE header"

# Objects of every kind, with their relations, that both checks accept.
if [ -n "$olven" ]; then
  rm -f "$out"
  "$olvgen" --obiekty 3000 "$out" 7 || fail "olvgen --obiekty 3000: status $?"
  [ "$(grep -c '^R[OP],' "$out")" -eq 3000 ] || fail "olvgen --obiekty 3000: not 3000 records"
  for kind in G5GRN G5OBR G5DZE G5UZG; do
    grep -q "^R[OP],,$kind," "$out" || fail "olvgen --obiekty 3000: no $kind record"
  done
  for line in '^WG,' '^WL,' '^P,P,' '^P,K,'; do
    grep -q "$line" "$out" || fail "olvgen --obiekty 3000: no line $line"
  done
  for check in sp sk; do
    LC_ALL=C.UTF-8 "$olven" "$check" -pwe "$out" </dev/null >"$work/report" 2>&1 ||
      fail "olven $check: status $?"
    grep -q 'Sumaryczna liczba błędów    : 0' "$work/report" &&
      grep -q 'Sumaryczna liczba ostrzeżeń : 0' "$work/report" ||
      fail "olven $check finds something in the objects: $(cat "$work/report")"
  done
fi

# A file that cannot grow (a limit of 8 blocks of 512 bytes): olvgen stops
# at the first write that fails instead of going on to the size asked.
rm -f "$out" "$work/err"
(
  trap '' XFSZ
  ulimit -f 8 && exec "$olvgen" "$out" 64G
) 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "olvgen plik 64G past the file size limit: status $status, expected 1"
[ ! -e "$out" ] || fail "olvgen plik 64G past the file size limit: the file was left"
[ -s "$work/err" ] || fail "olvgen plik 64G past the file size limit: no message"

exit $failed
