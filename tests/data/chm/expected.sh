#!/bin/bash
# Prints, for one CHM, every object that an independent reader knows of, as
# FILE <TAB> NAME <TAB> LENGTH <TAB> SHA256 of the bytes that chmlib extracts.
# Names come from chmlib's enum_chmLib and 7-Zip's listing together: chmlib starts its
# walk at the ITSP "first listing chunk", which Free Pascal-made files set to 1 when
# there are several chunks, so alone it misses chunk 0. Bytes come from test_chmLib,
# which looks each name up through the index instead.
# Usage: expected.sh FILE.chm [LABEL]   (LABEL replaces the file name in the output)
set -euo pipefail
chm=$1
label=${2:-$(basename "$chm")}
tmp=$(mktemp)
names=$(mktemp)
trap 'rm -f "$tmp" "$names"' EXIT
{
    echo /  # the root entry, which neither listing shows when it sits in chunk 0
    enum_chmLib "$chm" | tail -n +4 | cut -f3-
    7zz l -slt "$chm" | awk '/^----------/ { go = 1 } go && /^Path = / { p = substr($0, 8) }
        go && /^Method = / { print "/" p ($0 == "Method = " ? "/" : "") }'
} | LC_ALL=C sort -u >"$names"
while IFS= read -r name; do
    rm -f "$tmp"
    out=$(test_chmLib "$chm" "$name" "$tmp" 2>&1 || true)
    length=$(echo "$out" | sed -n 's/.*object: <[0-9]*, [0-9]*, \([0-9]*\)>.*/\1/p')
    [ -z "$length" ] && [ "$name" = / ] && continue
    [ -n "$length" ] || { echo "expected.sh: chmlib cannot resolve $name in $chm" >&2; exit 1; }
    [ "$length" = 0 ] && : >"$tmp"
    [ "$(stat -c %s "$tmp" 2>/dev/null)" = "$length" ] || { echo "expected.sh: chmlib could not extract $name" >&2; exit 1; }
    printf '%s\t%s\t%s\t%s\n' "$label" "$name" "$length" "$(sha256sum <"$tmp" | cut -d' ' -f1)"
done <"$names"
