#!/bin/bash
# Every test: native unit tests, the same under AddressSanitizer and UBSan,
# each fuzz target for a bounded time, and the Win32 tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
: "${LUMIVO_FUZZ_SECONDS:=60}"

status=0
run() { echo "== $*"; "$@" || { echo "FAILED: $*"; status=1; }; }

run cmake --preset native
run cmake --build --preset native
run ctest --preset native

run cmake --preset asan
run cmake --build --preset asan
run ctest --preset asan

run cmake --preset fuzz
run cmake --build --preset fuzz
for f in build/fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=fuzz/seeds/$name
  [ -d "$seeds" ] || seeds=
  run "$f" -max_total_time="$LUMIVO_FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 "$corpus" $seeds
done

run cmake --preset win32
run cmake --build --preset win32
run ctest --preset win32

exit $status
