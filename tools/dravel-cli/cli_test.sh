#!/bin/bash
# Runs dravel-cli as a user would, over a copy of the bundled sample dictionary: the index
# it builds (every entry's offset starts a line of its key), the candidates of a prefix,
# the laid-out article and its result file, and the failure exits.
# Usage: cli_test.sh DRAVEL-CLI SOURCE-DIR
set -uo pipefail
cli=$1
sample=$2/tests/data/dravel/sample.txt
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cp "$sample" "$out/dict.txt"
export TMPDIR=$out

# The two bytes at an offset of the dictionary, and the byte before them.
at() { tail -c +$(($1 + 1)) "$out/dict.txt" | head -c "$2"; }
before() { [ "$1" = 0 ] || tail -c +"$1" "$out/dict.txt" | head -c 1 | od -An -c | tr -d ' '; }

"$cli" index "$out/dict.txt" >"$out/index" || fail=1
entries=$(tr -d '\r' <"$out/dict.txt.hsh" | wc -l)
check "index reports its entries" "grep -qx '.*dict.txt.hsh: $entries entries' '$out/index' && [ $entries -gt 50 ]"
check "first entry is the body's first line" "[ \"\$(head -c 2 '$out/dict.txt.hsh')\" = \"'c\" ]"
bad=0
while IFS= read -r entry; do
    entry=${entry%$'\r'}
    key=${entry:0:2} offset=${entry:2}
    [ "$(at "$offset" 2)" = "$key" ] && [[ "$(before "$offset")" =~ ^(|\\n|\\r)$ ]] || { echo "entry $entry"; bad=1; }
done <"$out/dict.txt.hsh"
check "every entry's offset starts a line of its key" "[ $bad = 0 ]"

"$cli" candidates "$out/dict.txt" aban >"$out/cand" || fail=1
check "candidates of a prefix in dictionary order" \
    "[ \"\$(cut -f1 '$out/cand' | tr '\n' ' ')\" = 'abandon abandoned abandonee abandonment ' ]"
bad=0
while IFS=$'\t' read -r word offset; do
    [ "$(at "$offset" $((${#word} + 2)))" = "$word  " ] || bad=1
done <"$out/cand"
check "each candidate's offset is its article line" "[ $bad = 0 ]"

"$cli" --result article "$out/dict.txt" abandon >"$out/article" 2>"$out/err" || fail=1
result=$(sed -n 's/^dravel-cli: wrote //p' "$out/err")
check "article starts with its headword line" "[ \"\$(head -n 1 '$out/article')\" = \$'abandon\r' ]"
check "article lines end in CR LF and hold at most 76 characters" \
    "! grep -qv \$'\r\$' '$out/article' && ! tr -d '\r' <'$out/article' | grep -q '.\{77\}'"
check "result file Dravel.txt in a new LUMV folder" "[[ '$result' == '$out'/LUMV*/Dravel.txt ]]"
check "result file holds the printed article" "cmp -s '$result' '$out/article'"

"$cli" article "$out/dict.txt" aba 2>"$out/err"; rc=$?
check "several candidates and none named: exit 1 and the list" "[ $rc = 1 ] && grep -q '^  abandonment$' '$out/err'"
"$cli" candidates "$out/dict.txt" zzzz 2>"$out/err"; rc=$?
check "no index entry: exit 1, message 10" "[ $rc = 1 ] && grep -q '(message 10)' '$out/err'"
"$cli" candidates "$out/none.txt" ab 2>"$out/err"; rc=$?
check "missing dictionary: exit 1, message 7" "[ $rc = 1 ] && grep -q '(message 7)' '$out/err'"
"$cli" frobnicate 2>/dev/null; rc=$?
check "usage: exit 2" "[ $rc = 2 ]"
exit $fail
