#!/bin/bash
# Real code for the lookup benchmark's words: the example programs of Debian's lazarus-src-2.2
# (their .pas, .pp and .lpr files, in path order) in one file, downloaded with apt-get into
# build/bench-data when not there yet (never committed). The benchmark draws identifiers at random
# positions of it (a fixed seed) and keeps the first 400 that lcl.chm documents (a page
# "unit/word.html" or "unit/class.word.html"). Prints the file's path.
set -euo pipefail
. "$(dirname "$0")/../bench-data.sh"
target="$data/lazarus-examples.pas"
if [ ! -s "$target" ]; then
  unpack_package lazarus-src-2.2 lazarus-src
  cd "$data"
  examples=$(find lazarus-src -mindepth 5 -maxdepth 5 -type d -path '*/lib/lazarus/*/examples' | head -n 1)
  [ -n "$examples" ] || { echo "get-lazarus-words: no examples folder in the package" >&2; exit 1; }
  find "$examples" -type f \( -name '*.pas' -o -name '*.pp' -o -name '*.lpr' \) | LC_ALL=C sort |
    xargs cat >"$target.part"
  mv "$target.part" "$target"
  rm -rf lazarus-src
fi
echo "$target"
