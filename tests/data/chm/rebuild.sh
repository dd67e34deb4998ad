#!/bin/bash
# Rebuilds the CHM fixtures with chmcmd (Debian fp-utils) and records, through
# chmlib's tools, the expected bytes of every object in expected.tsv, and through
# pychm (python3-chm) what the full-text fixture's index finds (fulltext-pychm.tsv).
# Hand-written projects live in projects/ in UTF-8 (a project's "codepage" file
# names the 8-bit code page its sources are converted to, its "utf8" file those kept
# in UTF-8); "large" and "many" are generated here. The keyword indexes of the
# fixtures, as chmls (Free Pascal's reader) reads them, go to keywords.tsv.
# Usage: rebuild.sh [--manifest-only]   (the second form only rewrites expected.tsv)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

manifest() {
    : >"$here/expected.tsv"
    : >"$here/keywords.tsv"
    for chm in "$here"/*.chm; do
        "$here/expected.sh" "$chm" >>"$here/expected.tsv"
        case $(basename "$chm") in
        russian.chm) ;; # chmls shows Cyrillic as "?": the test holds its binary index against its .hhk
        many.chm) "$here/keywords.sh" --digest "$chm" >>"$here/keywords.tsv" ;;
        *) "$here/keywords.sh" "$chm" >>"$here/keywords.tsv" ;;
        esac
    done
    # 200 words of its pages, and the ones its tests name.
    "$here/fulltext-pychm.py" "$here/fulltext.chm" fulltext.chm 200 17 the compass overview riv gazetteer \
        >"$here/fulltext-pychm.tsv"
}
if [ "${1:-}" = --manifest-only ]; then
    manifest
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

compile() { # compile NAME DIR
    (cd "$2" && chmcmd --verbosity 0 "$1.hhp" >/dev/null 2>&1)
    cp "$2/$1.chm" "$here/$1.chm"
}

for dir in "$here"/projects/*/; do
    name=$(basename "$dir")
    cp -r "$dir" "$work/$name"
    if [ -f "$dir/codepage" ]; then
        cp=$(cat "$dir/codepage")
        find "$work/$name" -type f \( -name '*.html' -o -name '*.hhc' -o -name '*.hhk' \) | while read -r f; do
            # A project's "utf8" file names the sources kept in UTF-8: chmcmd reads an index only
            # in UTF-8 for its binary index (other bytes become "?" there).
            grep -qxF "$(basename "$f")" "$dir/utf8" 2>/dev/null && continue
            iconv -f UTF-8 -t "$cp" "$f" >"$f.conv" && mv "$f.conv" "$f"
        done
    fi
    compile "$name" "$work/$name"
done

header() { # header NAME DEFAULT-TOPIC
    printf '[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=%s.chm\nIndex file=%s.hhk\nDefault topic=%s\n' "$1" "$1" "$2"
    printf 'Display compile progress=No\nFull-text search=No\nLanguage=0x409 English (United States)\nTitle=%s\n\n[FILES]\n' "$1"
}
sitemap_entry() { printf '<li><object type="text/sitemap"><param name="Name" value="%s"><param name="Local" value="%s"></object>\n' "$1" "$2"; }

# large: a compressed section several times the 64 KB window, so the decoder resets.
mkdir -p "$work/large"
(
    cd "$work/large"
    header large part1.html >large.hhp
    echo '<html><body><ul>' >large.hhk
    for i in 1 2 3 4 5 6 7 8; do
        awk -v seed="$i" 'BEGIN {
            srand(seed); n = split("alpha beta gamma delta window reset block tree offset length match literal " \
              "section chunk listing header stream bits table index topic title page folder name value " \
              "river stone cloud lamp paper glass wheel bread salt iron wood silver green quiet rapid", w, " ");
            printf "<html><head><title>Part %d</title></head><body>\n", seed;
            for (p = 0; p < 400; p++) {
                printf "<p>";
                for (k = 0; k < 18; k++) printf "%s%s", (k ? " " : ""), w[int(rand() * n) + 1];
                printf " %d.</p>\n", int(rand() * 100000);
            }
            print "</body></html>" }' >"part$i.html"
        echo "part$i.html" >>large.hhp
        sitemap_entry "Part $i" "part$i.html" >>large.hhk
    done
    echo '</ul></body></html>' >>large.hhk
)
compile large "$work/large"

# many: thousands of topics, so the directory spans many listing chunks.
mkdir -p "$work/many"
(
    cd "$work/many"
    header many t0000.html >many.hhp
    echo '<html><body><ul>' >many.hhk
    for i in $(seq -w 0 2999); do
        printf '<html><head><title>Topic %s</title></head><body><p>Page %s.</p></body></html>\n' "$i" "$i" >"t$i.html"
        echo "t$i.html" >>many.hhp
        sitemap_entry "Topic $i" "t$i.html" >>many.hhk
    done
    echo '</ul></body></html>' >>many.hhk
)
compile many "$work/many"

manifest
echo "rebuilt: $(cd "$here" && ls ./*.chm | tr '\n' ' ')"
