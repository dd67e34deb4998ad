#!/bin/bash
# Runs kestro-cli as a user would, over the committed fixtures: every object of
# titles.chm byte-identical to the independent reader's record, the topic listing,
# and the error exits. Usage: cli_test.sh KESTRO-CLI SOURCE-DIR
set -uo pipefail
cli=$1
data=$2/tests/data/chm
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$cli" list "$data/titles.chm" >"$out/list" || fail=1
check "list names the same objects" \
    "diff <(cut -f1 '$out/list' | LC_ALL=C sort) <(grep '^titles.chm' '$data/expected.tsv' | cut -f2 | LC_ALL=C sort)"
while IFS=$'\t' read -r file name length sha; do
    [ "$file" = titles.chm ] || continue
    got=$("$cli" cat "$data/titles.chm" "$name" | sha256sum | cut -d' ' -f1)
    check "cat $name to stdout" "[ '$got' = '$sha' ]"
done <"$data/expected.tsv"
"$cli" cat "$data/large.chm" /part8.html "$out/part8" || fail=1
check "cat into a file" "[ \"\$(sha256sum <'$out/part8' | cut -d' ' -f1)\" = \"\$(grep -P '^large.chm\t/part8.html\t' '$data/expected.tsv' | cut -f4)\" ]"

check "topics" "[ \"\$('$cli' topics '$data/titles.chm' pr)\" = \"\$(printf 'Print\t/print.html\nPrinter setup\t/print.html\nProfile\t/profile.html')\" ]"
check "no topic is no failure" "'$cli' topics '$data/titles.chm' zebra 2>/dev/null; [ \$? = 0 ]"

"$cli" cat "$data/titles.chm" /FILE.html 2>"$out/err"; rc=$?
check "missing object: exit 3 and a message" "[ $rc = 3 ] && grep -q 'no object named /FILE.html' '$out/err'"
"$cli" list "$data/nonexistent.chm" 2>"$out/err"; rc=$?
check "missing file: exit 2 and a message" "[ $rc = 2 ] && grep -q 'cannot open' '$out/err'"
"$cli" topics "$data/regressions/window-size-code-3.chm" x 2>"$out/err"; rc=$?
check "unreadable tables: exit 3" "[ $rc = 3 ] && grep -q 'topic tables' '$out/err'"
"$cli" frobnicate 2>/dev/null; rc=$?
check "usage: exit 1" "[ $rc = 1 ]"
exit $fail
