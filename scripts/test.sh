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
mkdir -p build/fuzz/logs
for f in build/fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=fuzz/seeds/$name
  [ -d "$seeds" ] || seeds=
  log=build/fuzz/logs/$name.log
  # The text view's work grows with the page, and its seeds run to 144 KB: pages of at most 8 KB let
  # a minute try some 25 times as many (the limits of large pages have unit tests of their own).
  extra=
  [ "$name" = fuzz_html ] && extra=-max_len=8192
  echo "== $name for ${LUMIVO_FUZZ_SECONDS} s (log: $log)"
  if "$f" -max_total_time="$LUMIVO_FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 $extra \
       -artifact_prefix=build/fuzz/logs/$name- "$corpus" $seeds >"$log" 2>&1; then
    grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec' "$log" || true
  else
    tail -n 60 "$log"
    echo "FAILED: $name found a fault (input saved under build/fuzz/logs/)"
    status=1
  fi
done

if [ "$(tools/i386emu/run.sh --mode)" = emulated ]; then
  # No 32-bit code on this kernel: Wine runs under qemu with the mends; show that each one holds.
  run tools/i386emu/selftest.sh build/i386emu
fi
run cmake --preset win32
run cmake --build --preset win32
# One emulation namespace (where one is needed) for the whole tier: the tests share a Wine server.
run tools/i386emu/run.sh ctest --preset win32

exit $status
