#!/bin/bash
# Times a Kestro lookup through the real package in farhost.exe under Wine, against the host's own
# start: the same session with and without the lookup of "TForm" in lcl.chm (its 34 titles in the
# menu, the first one's page in the editor). Wall time and peak memory (GNU time's maximum
# resident size of the Wine process), medians of RUNS. Needs the win32 build.
# Usage: bench/lookup/wine-lookup.sh [RUNS]   (default 11)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
# Where Wine runs under emulation, the whole benchmark runs in one emulation namespace.
[ -n "${LUMIVO_I386EMU_ACTIVE:-}" ] || exec tools/i386emu/run.sh "$root/bench/lookup/wine-lookup.sh" "$@"
runs=${1:-11}
lcl=$(bench/lzx/get-lcl-chm.sh)
farhost=build/win32/tools/farhost/farhost.exe
[ -f "$farhost" ] || { echo "wine-lookup: build the win32 preset first" >&2; exit 1; }
work=build/bench-data/wine
rm -rf "$work"
mkdir -p "$work"
cmake --install build/win32 --prefix "$work/dist" >/dev/null
chm="Z:$(echo "$lcl" | tr / '\\')"

cat >"$work/start.fhs" <<SCRIPT
registry clear
lang English
load
SCRIPT
cat >"$work/lookup.fhs" <<SCRIPT
registry clear
lang English
registry set "Software\\Far\\Plugins\\Lumivo" Desc0 "lcl"
registry set "Software\\Far\\Plugins\\Lumivo" Type0 "Kestro"
registry set "Software\\Far\\Plugins\\Lumivo" File0 "$chm"
registry set "Software\\Far\\Plugins\\Lumivo" Keyword0 "TForm"
load
menu: Enter
dialog: enter
menu: Enter
window: close
plugin panels
SCRIPT

# One Wine server for every run, so that no run pays for starting it; stopped at the end.
export LUMIVO_WINEPREFIX="${LUMIVO_WINEPREFIX:-$root/build/wineprefix}"
WINEPREFIX="$LUMIVO_WINEPREFIX" wineserver -p 60
trap 'WINEPREFIX="$LUMIVO_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
cmake/wine-run.sh "$farhost" --plugins "$work/dist/Lumivo" --script "$work/lookup.fhs" >"$work/lookup.txt" 2>&1 || {
  tail -n 30 "$work/lookup.txt"; echo "wine-lookup: the lookup session failed" >&2; exit 1; }
grep -q "farhost: 0 errors" "$work/lookup.txt" || { tail -n 30 "$work/lookup.txt"; exit 1; }

measure() { # measure SCRIPT: "ms kB" per run, one line each
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/time" cmake/wine-run.sh "$farhost" --plugins "$work/dist/Lumivo" \
      --script "$work/$1" >/dev/null 2>&1
    t1=$(date +%s%N)
    echo "$(((t1 - t0) / 1000000)) $(cat "$work/time")"
  done
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
measure start.fhs >"$work/start.runs"
measure lookup.fhs >"$work/lookup.runs"
start_ms=$(cut -d' ' -f1 "$work/start.runs" | median)
start_kb=$(cut -d' ' -f2 "$work/start.runs" | median)
lookup_ms=$(cut -d' ' -f1 "$work/lookup.runs" | median)
lookup_kb=$(cut -d' ' -f2 "$work/lookup.runs" | median)
echo "farhost.exe under Wine, medians of $runs runs (the transcript of one lookup: $work/lookup.txt):"
echo "  the host's own start (load the plug-in and its modules): $start_ms ms, peak $((start_kb / 1024)) MB"
echo "  with a Kestro lookup of \"TForm\" in lcl.chm: $lookup_ms ms, peak $((lookup_kb / 1024)) MB"
echo "  the lookup itself: $((lookup_ms - start_ms)) ms, $(((lookup_kb - start_kb) / 1024)) MB over the host's start"
