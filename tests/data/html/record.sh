#!/bin/bash
# Records w3m's dump of every page pages.tsv lists, with the options the text view is compared
# under (tests/native/htmltext/peer.cpp). Pages inside a CHM come out through chmlib's
# test_chmLib, the independent reader. Usage: record.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
grep -v '^#' "$here/pages.tsv" | while IFS=$'\t' read -r page language charset dump; do
    if [[ $page == *.chm:* ]]; then
        test_chmLib "$here/../chm/${page%%:*}" "${page#*:}" "$work/page.html" >/dev/null
        source=$work/page.html
    else
        source=$here/$page
    fi
    w3m -dump -cols 78 -T text/html -O UTF-8 -o pseudo_inlines=0 -o ignore_null_img_alt=0 -I "$charset" \
        "$source" >"$here/$dump"
done
