# Shared by the benchmark scripts: builds, makes the generated data file and
# times `wc -l` on it. Sets FILE and BUILD_DIR. The build folder is build/
# (made by `make build`) unless BUILD_DIR names another, configured tree,
# which is then brought up to date with ninja.
set -eu
cd "$(dirname "$0")/.."
SIZE_MB=${SIZE_MB:-${1:-512}}
BUILD_DIR=${BUILD_DIR:-build}
if [ "$BUILD_DIR" = build ]; then
  make --no-print-directory build >/dev/null
else
  ninja -C "$BUILD_DIR" >/dev/null
fi
mkdir -p bench/data
FILE=bench/data/generated-${SIZE_MB}M.swd
[ -f "$FILE" ] || "$BUILD_DIR/bin/olvgen" "$FILE" "${SIZE_MB}M"

now() { date +%s.%N; }
t0=$(now)
lines=$(wc -l < "$FILE")
t1=$(now)
awk -v a="$t0" -v b="$t1" -v size="$(stat -c %s "$FILE")" -v lines="$lines" 'BEGIN {
  mb = size / 1048576; s = b - a; if (s <= 0) s = 1e-9
  printf "wc -l:     %.1f MiB in %.3f s = %.1f MiB/s, %.0f lines/s, %d lines\n", mb, s, mb / s, lines / s, lines }'
