#!/bin/sh
# olvgen refuses a size that is not a positive number of at most 64 bits
# (suffix included), an object count that is not a positive number of at
# most 2^40, a seed that is not a number, and a pair whose two files are one:
# status 1, a message on standard error, and no output file. A write that
# fails ends it the same way, with nothing left behind. A pair holds the
# records, keys and faults it promises, the same for the same seed. Given
# OLVEN, the objects olvgen writes pass the semantic and the syntax check
# without a finding, and a pair the syntax check and the merge.
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

# refusedPair ARGUMENT...: olvgen --para ARGUMENT... must fail, with neither
# file of the pair written.
opis=$work/opis.swd
geometria=$work/geometria.swd
refusedPair() {
  rm -f "$opis" "$geometria" "$work/err"
  "$olvgen" --para "$@" 2>"$work/err"
  status=$?
  [ "$status" -eq 1 ] || fail "olvgen --para $*: status $status, expected 1"
  [ ! -e "$opis" ] || fail "olvgen --para $*: the descriptive file was written"
  [ ! -e "$geometria" ] || fail "olvgen --para $*: the geometric file was written"
  [ -s "$work/err" ] || fail "olvgen --para $*: no message"
}
refusedPair 0 "$opis" "$geometria"
refusedPair -1 "$opis" "$geometria"
refusedPair 1K "$opis" "$geometria"
refusedPair '' "$opis" "$geometria"
refusedPair 1099511627777 "$opis" "$geometria"  # 2^40 + 1
refusedPair 10 "$opis" "$geometria" abc
refusedPair 10 "$opis" "$geometria" 18446744073709551616
refusedPair 10 "$opis"
refusedPair 10
refusedPair
refusedPair 10 "$opis" "$geometria" 1 more
refusedPair 10 "$opis" "$opis"
refusedPair 10 "$opis" "$work/./opis.swd"    # one file under two names
refusedPair 10 "$opis" "$work/brak/geometria.swd"  # the second cannot be made
# An existing file named twice is refused and left as it was.
echo zostaje >"$opis"
"$olvgen" --para 10 "$opis" "$work/../$(basename "$work")/opis.swd" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "olvgen --para with an existing file twice: status $status, expected 1"
[ "$(cat "$opis")" = zostaje ] || fail "olvgen --para with an existing file twice: the file changed"

# A pair: as many records in each file as asked, the side records first in
# each block of 20; precincts and parcels keyed alike in both files, points
# named by record identifier from the rings, and a few unpaired and repeated
# keys; the same pair again for the same seed, another for another seed.
rm -f "$opis" "$geometria"
"$olvgen" --para 3000 "$opis" "$geometria" 7 || fail "olvgen --para 3000: status $?"
for file in "$opis" "$geometria"; do
  [ "$(grep -c '^R[DOP],' "$file")" -eq 3000 ] || fail "olvgen --para 3000: not 3000 records in $file"
done
[ "$(grep -c '^RD,,G5KLU,' "$opis")" -eq 1200 ] &&
  [ "$(grep -c '^RD,,G5O_OBR,' "$opis")" -eq 150 ] &&
  [ "$(grep -c '^RD,,G5O_DZE,' "$opis")" -eq 1650 ] ||
  fail "olvgen --para 3000: not 1200 G5KLU, 150 G5O_OBR and 1650 G5O_DZE records"
[ "$(grep -c '^RP,,G5GRN,' "$geometria")" -eq 1200 ] &&
  [ "$(grep -c '^RO,,G5G_OBR,' "$geometria")" -eq 150 ] &&
  [ "$(grep -c '^RO,,G5G_DZE,' "$geometria")" -eq 1650 ] ||
  fail "olvgen --para 3000: not 1200 G5GRN, 150 G5G_OBR and 1650 G5G_DZE records"
head -n 30 "$opis" | grep -q '^RD,,G5KLU,' || fail "olvgen --para: the descriptive file opens without G5KLU"
head -n 20 "$geometria" | grep -q '^RP,,G5GRN,' || fail "olvgen --para: the geometric file opens without G5GRN"
for line in '^WG,G5ROBR,G5O_OBR,' '^WL,G5RDZE,'; do
  grep -q "$line" "$opis" || fail "olvgen --para 3000: no line $line in the descriptive file"
done
grep -q '^P,P,' "$geometria" && fail "olvgen --para 3000: a ring names a point by object identifier"
# Every ring point is a point of the geometric file by record identifier.
sed -n 's/^P,K,\([^;]*\);.*/\1/p' "$geometria" | sort -u >"$work/named"
sed -n 's/^RP,,G5GRN,[^,]*,\([^,]*\),.*/\1/p' "$geometria" | sort -u >"$work/points"
[ -s "$work/named" ] || fail "olvgen --para 3000: no P,K line"
[ -z "$(comm -23 "$work/named" "$work/points")" ] ||
  fail "olvgen --para 3000: a P,K line names no point"
# Keys: the same precinct keys in both files; parcel keys alike but for two
# unpaired parcels and one repeated key in each file per 1000 records.
keys() { grep "^D,$1,D," "$2" | tr -d '\r' | sort; }
[ "$(keys G5NRO "$opis")" = "$(keys G5NRO "$geometria")" ] ||
  fail "olvgen --para 3000: the precinct keys differ"
[ "$(keys G5IDD "$opis" | uniq -d | wc -l)" -eq 3 ] &&
  [ "$(keys G5IDD "$geometria" | uniq -d | wc -l)" -eq 3 ] ||
  fail "olvgen --para 3000: not 3 repeated parcel keys in each file"
keys G5IDD "$opis" | uniq >"$work/a"
keys G5IDD "$geometria" | uniq >"$work/b"
[ "$(comm -23 "$work/a" "$work/b" | wc -l)" -eq 9 ] &&
  [ "$(comm -13 "$work/a" "$work/b" | wc -l)" -eq 9 ] &&
  [ "$(comm -13 "$work/a" "$work/b" | grep -c '/1;$')" -eq 6 ] ||
  fail "olvgen --para 3000: not 6 unpaired and 3 + 3 repeated parcels"
cp "$opis" "$work/opis-1" && cp "$geometria" "$work/geometria-1"
"$olvgen" --para 3000 "$opis" "$geometria" 7 &&
  cmp -s "$opis" "$work/opis-1" && cmp -s "$geometria" "$work/geometria-1" ||
  fail "olvgen --para 3000 7 twice: not the same pair"
"$olvgen" --para 3000 "$opis" "$geometria" 8 && ! cmp -s "$opis" "$work/opis-1" ||
  fail "olvgen --para 3000 8: the pair of seed 7"
# Counts that end inside a block, and the smallest.
for n in 1 9 10 29; do
  "$olvgen" --para "$n" "$opis" "$geometria" || fail "olvgen --para $n: status $?"
  [ "$(grep -c '^R[DOP],' "$opis")" -eq "$n" ] && [ "$(grep -c '^R[DOP],' "$geometria")" -eq "$n" ] ||
    fail "olvgen --para $n: not $n records in each file"
  [ "$(tail -n 1 "$geometria")" = "$(printf 'SWDEX;\r')" ] || fail "olvgen --para $n: no end line"
done

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
  # A pair the syntax check finds nothing in, both files in one run.
  rm -f "$opis" "$geometria"
  "$olvgen" --para 3000 "$opis" "$geometria" 7 || fail "olvgen --para 3000: status $?"
  LC_ALL=C.UTF-8 "$olven" sk -pwe "$opis" "$geometria" </dev/null >"$work/report" 2>&1 ||
    fail "olven sk on the pair: status $?"
  grep -q 'Sumaryczna liczba błędów    : 0' "$work/report" &&
    grep -q 'Sumaryczna liczba ostrzeżeń : 0' "$work/report" &&
    [ "$(grep -c 'liczba błędów    : 0' "$work/report")" -eq 3 ] ||
    fail "olven sk finds something in the pair: $(cat "$work/report")"
  # The merge of the pair: its faults and nothing else, one error for each
  # object left without a partner (2 * 6 unpaired, 3 + 3 whose partner's key
  # was repeated) and one warning for each repeated key; every relation and
  # ring point resolved; the merged file the syntax check finds nothing in.
  LC_ALL=C.UTF-8 "$olven" sc -pwe "$opis" "$geometria" -pwy "$work/razem.swd" </dev/null \
    >"$work/report" 2>&1 || fail "olven sc on the pair: status $?"
  grep -q 'Sumaryczna liczba błędów    : 18' "$work/report" &&
    grep -q 'Sumaryczna liczba ostrzeżeń : 6' "$work/report" &&
    [ "$(grep -c '^[0-9]* B 20001 SO ' "$work/report")" -eq 18 ] &&
    [ "$(grep -c '^[0-9]* O 20005 SO ' "$work/report")" -eq 6 ] ||
    fail "olven sc on the pair: not the findings of its faults: $(cat "$work/report")"
  [ "$(grep -c '^R[DOP],' "$work/razem.swd")" -eq 4212 ] ||
    fail "olven sc on the pair: not 6000 - 1788 pairs = 4212 records"
  [ "$(grep -E '^(P|WG|WL),' "$work/razem.swd" | grep -Ev '^(P,G|(P,K|WL,[^,]*),[0-9]+;)' |
    wc -l)" -eq 0 ] || fail "olven sc on the pair: a relation left unresolved"
  LC_ALL=C.UTF-8 "$olven" sk -pwe "$work/razem.swd" </dev/null >"$work/report" 2>&1
  grep -q 'Sumaryczna liczba błędów    : 0' "$work/report" &&
    grep -q 'Sumaryczna liczba ostrzeżeń : 0' "$work/report" ||
    fail "olven sk finds something in the merged pair: $(cat "$work/report")"
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

# The same for a pair: neither file is left.
rm -f "$opis" "$geometria" "$work/err"
(
  trap '' XFSZ
  ulimit -f 8 && exec "$olvgen" --para 1099511627776 "$opis" "$geometria"
) 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "olvgen --para past the file size limit: status $status, expected 1"
[ ! -e "$opis" ] && [ ! -e "$geometria" ] || fail "olvgen --para past the file size limit: a file was left"
[ -s "$work/err" ] || fail "olvgen --para past the file size limit: no message"

exit $failed
