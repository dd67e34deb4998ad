#!/bin/bash
# Fetches the large real CHM the LZX benchmark decodes: lcl.chm from Debian's lazarus-doc-2.2,
# downloaded with apt-get into build/bench-data when it is not there yet (never committed).
# Prints the file's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
data="$root/build/bench-data"
target="$data/lcl.chm"
if [ ! -s "$target" ]; then
  mkdir -p "$data"
  cd "$data"
  ls lazarus-doc-2.2_*.deb >/dev/null 2>&1 || apt-get download lazarus-doc-2.2 >&2
  rm -rf extract
  dpkg-deb -x lazarus-doc-2.2_*.deb extract
  found=$(find extract -name lcl.chm | head -n 1)
  [ -n "$found" ] || { echo "get-lcl-chm: lcl.chm not in the package" >&2; exit 1; }
  cp "$found" "$target"
  rm -rf extract
fi
echo "$target"
