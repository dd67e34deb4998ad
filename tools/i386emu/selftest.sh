#!/bin/sh
# Shows that each mend is needed and works: every test program runs under the emulation with the
# mends library and must pass; without it, it is expected to fail (a pass there means this qemu no
# longer has the fault, which is reported, not an error). Usage: selftest.sh [BUILD_DIR]
set -u
here=$(cd "$(dirname "$0")" && pwd)
export LUMIVO_I386EMU_DIR="${1:-$(cd "$here/../.." && pwd)/build/i386emu}"
status=0
for test in "$LUMIVO_I386EMU_DIR"/tests/*; do
  name=$(basename "$test")
  if out=$(timeout 60 "$here/run.sh" "$test" 2>&1); then
    with="passes with the mends"
  else
    with="FAILS with the mends"
    status=1
  fi
  if timeout 60 "$here/run.sh" env -u LD_PRELOAD "$test" >/dev/null 2>&1; then
    without="passes without them too"
  else
    without="fails without them"
  fi
  echo "i386emu $name: $with, $without: $out" | tr '\n' ' '
  echo
done
exit $status
