#!/bin/bash
# Runs kestro-cli as a user would, over the committed fixtures: every object of
# titles.chm byte-identical to the independent reader's record, the topic listing,
# the full-text search, a page as text in UTF-8 and in OEM code pages (checked
# against iconv), the keyword index as the independent reader records it, the ranked
# answer and its pages, and the error exits. Usage: cli_test.sh KESTRO-CLI SOURCE-DIR
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

# cat --to: several objects from one reading, each under the folder by its name.
pages=$(grep -P '^large.chm\t/part' "$data/expected.tsv" | cut -f2)
"$cli" cat "$data/large.chm" $pages /#TOPICS --to "$out/many" || fail=1
while IFS=$'\t' read -r file name length sha; do
    [ "$file" = large.chm ] && [ -f "$out/many$name" ] || continue
    check "cat --to $name" "[ \"\$(sha256sum <'$out/many$name' | cut -d' ' -f1)\" = '$sha' ]"
done <"$data/expected.tsv"
asked=$(($(echo $pages | wc -w) + 1))
check "cat --to wrote every object asked for" "[ \$(find '$out/many' -type f | wc -l) = $asked ]"
"$cli" cat "$data/large.chm" /../escaped /a/./b /part1.html --to "$out/refused" 2>"$out/err"; rc=$?
check "cat --to refuses names that leave the folder, writes the rest: exit 1" \
    "[ $rc = 1 ] && [ ! -e '$out/escaped' ] && [ -f '$out/refused/part1.html' ] && [ \$(grep -c refused '$out/err') = 2 ]"
# Every name the listing holds, folder entries ("/", "/$WWKeywordLinks/") among them: folders made.
"$cli" list "$data/keywords.chm" | cut -f1 >"$out/names"
"$cli" cat "$data/keywords.chm" $(cat "$out/names") --to "$out/all" 2>"$out/err"; rc=$?
check "cat --to of the whole listing: exit 0, folder entries as folders" \
    "[ $rc = 0 ] && [ -d '$out/all/\$WWKeywordLinks' ] && [ -f '$out/all/\$WWKeywordLinks/BTree' ] && [ ! -s '$out/err' ]"
# A reset table shifted by one unit from unit 3: the same bytes in either order, from one container.
shifted="$data/regressions/reset-table-shifted-one-unit-from-unit-3.chm"
"$cli" cat "$shifted" $pages --to "$out/forward" || fail=1
"$cli" cat "$shifted" $(echo $pages | tr ' ' '\n' | tac) --to "$out/backward" || fail=1
check "a shifted reset table reads the same forward and backward" "diff -r '$out/forward' '$out/backward'"
check "and the same as the good file's" "diff -r -x '#TOPICS' '$out/forward' '$out/many'"

check "topics" "[ \"\$('$cli' topics '$data/titles.chm' pr)\" = \"\$(printf 'Print\t/print.html\nPrinter setup\t/print.html\nProfile\t/profile.html')\" ]"
check "no topic is no failure" "'$cli' topics '$data/titles.chm' zebra 2>/dev/null; [ \$? = 0 ]"

check "text: the demo's page as recorded" \
    "diff <('$cli' text '$data/pages.chm' /textview.html) '$2/tests/data/html/pages-textview.txt'"
for page in "cyrillic.chm /file.html 866" "accented.chm /cafe.html 850" "accented.chm /uber.html 437"; do
    set -- $page
    check "text --oem=$3 of $1 $2: the UTF-8 text in code page $3, lines ending in CR LF" \
        "cmp <('$cli' text '$data/$1' $2 --oem=$3) <('$cli' text '$data/$1' $2 | iconv -f UTF-8 -t CP$3 | sed 's/\$/\r/')"
done
check "text --oem=437: stand-ins for what code page 437 lacks" \
    "'$cli' text '$data/pages.chm' /textview.html --oem=437 | grep -q 'reading -- in the console' && '$cli' text '$data/pages.chm' /textview.html --oem=437 | grep -q '(c) 2026, \\\"quotes\\\" and -> arrows'"
check "text --oem follows the locale" \
    "cmp <(LC_ALL=ru_RU.UTF-8 '$cli' text '$data/cyrillic.chm' /file.html --oem) <('$cli' text '$data/cyrillic.chm' /file.html --oem=866)"
"$cli" text "$data/pages.chm" /textview.html --oem=1251 2>"$out/err"; rc=$?
check "text --oem with a page that is no console's: exit 1" "[ $rc = 1 ] && grep -q 'no OEM code page 1251' '$out/err'"
"$cli" text "$data/pages.chm" /missing.html 2>"$out/err"; rc=$?
check "text of a missing page: exit 3" "[ $rc = 3 ] && grep -q 'no object named /missing.html' '$out/err'"

check "search: title hits first, then by occurrences" \
    "[ \"\$('$cli' search '$data/fulltext.chm' RIVER 2>/dev/null)\" = \"\$(printf '3\tRiver\t/river.html\n5\tDelta\t/delta.html\n3\tBank\t/bank.html\n1\tFord\t/ford.html')\" ]"
check "search --prefix takes in longer words" \
    "'$cli' search '$data/fulltext.chm' river --prefix 2>/dev/null | grep -qP '^4\tBank\t/bank.html\$'"
check "search: a word no page holds is no failure" \
    "'$cli' search '$data/fulltext.chm' zebra 2>'$out/err'; [ \$? = 0 ] && grep -q 'no page holds' '$out/err'"
check "find --by text: a word only the pages' text holds, its pages most uses first" \
    "[ \"\$('$cli' find '$data/fulltext.chm' compass --by text)\" = \"\$(printf 'Overview\t/overview2.html\nOverview\t/overview1.html')\" ]"
check "find --by index leaves the text alone" "[ -z \"\$('$cli' find '$data/fulltext.chm' compass --by index 2>/dev/null)\" ]"
check "find --by text: nothing found says the text was searched too" \
    "'$cli' find '$data/fulltext.chm' zebra --by text 2>&1 >/dev/null | grep -q 'text searched too'"
"$cli" search "$data/titles.chm" file 2>"$out/err"; rc=$?
check "search without a full-text index: exit 3" "[ $rc = 3 ] && grep -q 'has no full-text index' '$out/err'"
"$cli" search "$data/fulltext.chm" "caf$(printf '\xe9')" 2>"$out/err"; rc=$?
check "search: a word that is no UTF-8: exit 1" "[ $rc = 1 ] && grep -q 'cannot be written' '$out/err'"
"$cli" search "$data/fulltext.chm" river --prefx 2>/dev/null; rc=$?
check "search: an unknown option: exit 1" "[ $rc = 1 ]"

"$cli" cat "$data/titles.chm" /FILE.html 2>"$out/err"; rc=$?
check "missing object: exit 3 and a message" "[ $rc = 3 ] && grep -q 'no object named /FILE.html' '$out/err'"
"$cli" list "$data/nonexistent.chm" 2>"$out/err"; rc=$?
check "missing file: exit 2 and a message" "[ $rc = 2 ] && grep -q 'cannot open' '$out/err'"
"$cli" topics "$data/regressions/window-size-code-3.chm" x 2>"$out/err"; rc=$?
check "unreadable tables: exit 3" "[ $rc = 3 ] && grep -q 'topic tables' '$out/err'"
check "keywords: the index as the independent reader recorded it" \
    "diff <('$cli' keywords '$data/keywords.chm') <(grep '^keywords.chm' '$data/keywords.tsv' | cut -f2-)"
check "keywords with a prefix, Cyrillic in UTF-8" \
    "[ \"\$('$cli' keywords '$data/russian.chm' окно)\" = \"\$(printf 'Окно\t0\t/okno.html\nОкно, Показать метод\t1\t/okno.pokazat.html')\" ]"
check "find: the index's lines, best first" \
    "[ \"\$('$cli' find '$data/keywords.chm' show)\" = \"\$(printf 'Show\t/tcontrol.show.html\nShow, TCustomForm\t/tcustomform.show.html\nShow, TForm\t/tform.show.html')\" ]"
check "find --by titles: today's rule" \
    "[ \"\$('$cli' find '$data/titles.chm' pr --by titles)\" = \"\$('$cli' topics '$data/titles.chm' pr)\" ]"
"$cli" find "$data/keywords.chm" show --open 3 "$out/page" >"$out/opened" || fail=1
check "find --open: the line's page, whole" \
    "[ \"\$(cat '$out/opened')\" = /tform.show.html ] && [ \"\$(sha256sum <'$out/page' | cut -d' ' -f1)\" = \"\$(grep -P '^keywords.chm\t/tform.show.html\t' '$data/expected.tsv' | cut -f4)\" ]"
"$cli" find "$data/keywords.chm" show --open 4 "$out/page" 2>"$out/err"; rc=$?
check "find --open past the lines: exit 3" "[ $rc = 3 ] && grep -q 'no such line' '$out/err'"
check "find nothing: exit 0 and a note" "'$cli' find '$data/keywords.chm' zebra 2>'$out/err'; [ \$? = 0 ] && grep -q 'nothing in' '$out/err'"
"$cli" keywords "$data/regressions/window-size-code-3.chm" 2>"$out/err"; rc=$?
check "keywords of a file without an index: exit 3" "[ $rc = 3 ] && grep -q 'no keyword index' '$out/err'"

"$cli" frobnicate 2>/dev/null; rc=$?
check "usage: exit 1" "[ $rc = 1 ]"
exit $fail
