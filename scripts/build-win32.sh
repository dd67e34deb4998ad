#!/bin/bash
# Shared by demo.sh and release.sh: installs what is missing, then builds the Win32 preset
# quietly into the log named by $1, showing its end only when the build fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
log=$1
mkdir -p "$(dirname "$log")"
echo "Building the Win32 deliverables (log: $log) ..."
if ! { cmake --preset win32 && cmake --build --preset win32; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "build: the build failed; the whole log is in $log" >&2
  exit 1
fi
