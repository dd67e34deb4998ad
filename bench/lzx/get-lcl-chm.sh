#!/bin/bash
# Fetches the large real CHM the LZX benchmark decodes: lcl.chm from Debian's lazarus-doc-2.2,
# downloaded with apt-get into build/bench-data when it is not there yet (never committed).
# Prints the file's path.
set -euo pipefail
. "$(dirname "$0")/../bench-data.sh"
target="$data/lcl.chm"
if [ ! -s "$target" ]; then
  unpack_package lazarus-doc-2.2 extract
  cd "$data"
  found=$(find extract -name lcl.chm | head -n 1)
  [ -n "$found" ] || { echo "get-lcl-chm: lcl.chm not in the package" >&2; exit 1; }
  cp "$found" "$target"
  rm -rf extract
fi
echo "$target"
