#!/bin/bash
# Records a CHM's keyword index as an independent reader reads it: chmls extractindex (Free
# Pascal's reader of the binary index), its sitemap flattened to one line a keyword:
#   NAME <TAB> KEYWORD <TAB> DEPTH <TAB> /PAGE ... (or "see also: TARGET")
# with a sub-keyword as "Parent, Child", in the order of the index. With --digest, one line for a
# large index instead: NAME <TAB> #digest <TAB> LINES <TAB> SHA-256 of those lines without NAME.
# Usage: keywords.sh [--digest] FILE.chm [NAME]
set -euo pipefail
digest=0
if [ "$1" = --digest ]; then
    digest=1
    shift
fi
chm=$1
name=${2:-$(basename "$chm")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmls extractindex "$chm" "$work/index.hhk" >/dev/null 2>&1
awk -v name="$name" '
function value(line) { sub(/^.*value="/, "", line); sub(/">[ \t\r]*$/, "", line); return line }
function emit(   k, i) {
    if (!open) return
    open = 0
    k = ""
    for (i = 0; i < depth; i++) k = k parent[i] ", "
    k = k own
    parent[depth] = own
    printf "%s\t%s\t%d%s\n", name, k, depth, targets
}
/<UL>/ { lists++ }
/<\/UL>/ { lists-- }
/<OBJECT type="text\/sitemap">/ { open = 1; own = ""; named = 0; targets = ""; depth = lists - 1 }
/<param name="Name"/ { if (!named) { own = value($0); named = 1 } }
/<param name="Local"/ { targets = targets "\t/" value($0) }
/<param name="See Also"/ { targets = targets "\tsee also: " value($0) }
/<\/OBJECT>/ { emit() }
' "$work/index.hhk" >"$work/lines"
if [ $digest = 1 ]; then
    printf '%s\t#digest\t%s\t%s\n' "$name" "$(wc -l <"$work/lines")" "$(cut -f2- "$work/lines" | sha256sum | cut -d' ' -f1)"
else
    cat "$work/lines"
fi
