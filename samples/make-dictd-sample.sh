#!/bin/bash
# Makes the demo's small dictd dictionary, OUT.index and OUT.dict.dz: the FOLDOC articles whose
# headwords begin with "lisp" or "list" (Debian's dict-foldoc, installed by scripts/setup.sh) with
# FOLDOC's own "00-database-*" entries, the body compressed by dictzip. Made in the build, never
# kept in git.
# Usage: make-dictd-sample.sh OUT   (OUT without the extensions)
set -euo pipefail
out=$1
src=/usr/share/dictd/foldoc
[ -f "$src.index" ] && [ -f "$src.dict.dz" ] || { echo "make-dictd-sample: needs dict-foldoc" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
zcat "$src.dict.dz" >"$work/body"
# The wanted lines, in the index's own order; offsets and lengths are base-64 numbers.
grep -a -E $'^(00-database-[a-z0-9.-]*|lisp[^\t]*|list[^\t]*)\t' "$src.index" >"$work/wanted"
awk -F'\t' -v body="$work/body" -v dict="$work/sample.dict" -v entries="$work/sample.index" '
  function decode(s,   v, i) { v = 0; for (i = 1; i <= length(s); i++) v = v * 64 + index(digits, substr(s, i, 1)) - 1; return v }
  function encode(v,   s) { s = ""; do { s = substr(digits, v % 64 + 1, 1) s; v = int(v / 64) } while (v > 0); return s }
  BEGIN { digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"; at = 0 }
  {
    offset = decode($2); size = decode($3)
    printf "tail -c +%d \"%s\" | head -c %d >>\"%s\"\n", offset + 1, body, size, dict
    printf "%s\t%s\t%s\n", $1, encode(at), encode(size) >entries
    at += size
  }' "$work/wanted" >"$work/cut.sh"
: >"$work/sample.dict"
bash "$work/cut.sh"
dictzip "$work/sample.dict"
mkdir -p "$(dirname "$out")"
mv "$work/sample.index" "$out.index"
mv "$work/sample.dict.dz" "$out.dict.dz"
