#!/bin/bash
# Words from real code for the lookup benchmark: identifiers at random positions (a fixed seed) in
# the example programs of Debian's lazarus-src-2.2 (their .pas, .pp and .lpr files, in path order),
# downloaded with apt-get into build/bench-data when not there yet (never committed). Writes
# build/bench-data/lazarus-words.txt, one word a line, in the order drawn; the benchmark keeps the
# first 400 that lcl.chm documents (a page "unit/word.html" or "unit/class.word.html").
# Prints the file's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
data="$root/build/bench-data"
target="$data/lazarus-words.txt"
if [ ! -s "$target" ]; then
  mkdir -p "$data"
  cd "$data"
  ls lazarus-src-2.2_*.deb >/dev/null 2>&1 || apt-get download lazarus-src-2.2 >&2
  rm -rf lazarus-src
  dpkg-deb -x lazarus-src-2.2_*.deb lazarus-src
  examples=$(find lazarus-src -type d -path '*/lazarus/*/examples' | head -n 1)
  [ -n "$examples" ] || { echo "get-lazarus-words: no examples folder in the package" >&2; exit 1; }
  find "$examples" -type f \( -name '*.pas' -o -name '*.pp' -o -name '*.lpr' \) | LC_ALL=C sort |
    xargs cat | LC_ALL=C awk -v draws=6000 '
      { text = text $0 "\n" }
      END {
        srand(16); n = length(text)
        for (d = 0; d < draws; d++) {
          p = int(rand() * n) + 1
          if (substr(text, p, 1) !~ /[A-Za-z0-9_]/) continue
          s = p; while (s > 1 && substr(text, s - 1, 1) ~ /[A-Za-z0-9_]/) s--
          e = p; while (e < n && substr(text, e + 1, 1) ~ /[A-Za-z0-9_]/) e++
          word = substr(text, s, e - s + 1)
          if (word ~ /^[A-Za-z_]/) print word
        }
      }' >"$target.part"
  mv "$target.part" "$target"
  rm -rf lazarus-src
fi
echo "$target"
