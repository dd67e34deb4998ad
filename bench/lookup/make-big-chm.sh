#!/bin/bash
# Makes a large CHM for the lookup benchmark with chmcmd (Debian fp-utils): TOPICS pages of about
# PAGE bytes of words each, in folders of 500, every page a topic titled "Topic NNNNN <word>", into
# build/bench-data/big-TOPICS.chm unless it is there already. Prints the file's path.
# Usage: make-big-chm.sh [TOPICS [PAGE]]   (defaults: 30000 topics of 3000 bytes)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
topics=${1:-30000}
page=${2:-3000}
target="$root/build/bench-data/big-$topics.chm"
if [ ! -s "$target" ]; then
  command -v chmcmd >/dev/null || { echo "make-big-chm: chmcmd is missing (scripts/setup.sh)" >&2; exit 1; }
  mkdir -p "$root/build/bench-data"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work"
  awk -v topics="$topics" -v page="$page" 'BEGIN {
    srand(10);
    n = split("alpha beta gamma delta window reset block tree offset length match literal section " \
      "chunk listing header stream bits table index topic title page folder name value river stone " \
      "cloud lamp paper glass wheel bread salt iron wood silver green quiet rapid", w, " ");
    hhp = "big.hhp"; hhk = "big.hhk";
    printf "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=big.chm\nIndex file=big.hhk\n" > hhp;
    printf "Default topic=f0/t00000.html\nDisplay compile progress=No\nFull-text search=No\n" > hhp;
    printf "Language=0x409 English (United States)\nTitle=big\n\n[FILES]\n" > hhp;
    print "<html><body><ul>" > hhk;
    for (t = 0; t < topics; t++) {
      folder = "f" int(t / 500);
      if (t % 500 == 0) system("mkdir -p " folder);
      name = sprintf("%s/t%05d.html", folder, t);
      title = sprintf("Topic %05d %s", t, w[t % n + 1]);
      printf "<html><head><title>%s</title></head><body><h1>%s</h1>\n", title, title > name;
      for (size = 0; size < page;) {
        line = "<p>";
        for (k = 0; k < 12; k++) line = line (k ? " " : "") w[int(rand() * n) + 1];
        line = line " " int(rand() * 100000) ".</p>";
        print line > name;
        size += length(line) + 1;
      }
      print "</body></html>" > name;
      close(name);
      print name > hhp;
      printf "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"%s\"><param name=\"Local\" value=\"%s\"></object>\n", title, name > hhk;
    }
    print "</ul></body></html>" > hhk;
  }'
  chmcmd --verbosity 0 big.hhp >/dev/null 2>&1 || { echo "make-big-chm: chmcmd failed" >&2; exit 1; }
  cp big.chm "$target"
fi
echo "$target"
