#!/bin/bash
# Fetches the real CHMs the full-text tests search, once, into DEST, and records there what the
# independent reader (pychm, fulltext-pychm.py) finds for 200 words drawn from each one's pages:
#   Nini.chm     libnini-doc, through fetch-debian.sh (Microsoft's compiler)
#   OpenMCDF.chm openmcdf, through fetch-debian.sh (Microsoft's compiler)
#   clam.chm     clamav-testfiles (Microsoft's compiler; its full-text index is empty)
#   lcl.chm      lazarus-doc-2.2, through bench/lzx/get-lcl-chm.sh (Free Pascal's compiler)
# Usage: fetch-fulltext.sh DEST. Exits non-zero when a fetch fails or python3-chm is missing; the
# tests then skip these files. Recording takes a minute or two (most of it pychm on lcl.chm).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dest=$1
[ -s "$dest/fulltext-pychm.tsv" ] && exit 0
/usr/bin/python3 -c 'import chm.chm' 2>/dev/null || { echo "fetch-fulltext.sh: python3-chm is not installed" >&2; exit 1; }
mkdir -p "$dest"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fetch() { # fetch PACKAGE PATH-IN-PACKAGE NAME
    [ -s "$dest/$3" ] && return 0
    if ! (cd "$work" && apt-get -o Acquire::Retries=3 download "$1" >"$work/apt.log" 2>&1); then
        echo "fetch-fulltext.sh: apt-get download $1 failed:" >&2
        tail -n 5 "$work/apt.log" >&2
        exit 1
    fi
    dpkg -x "$work/$1"_*.deb "$work/$1"
    mv "$work/$1/$2" "$dest/$3"
}
fetch clamav-testfiles usr/share/clamav-testfiles/clam.chm clam.chm
"$here/fetch-debian.sh" "$root/build/chm-debian"
cp "$root/build/chm-debian/OpenMCDF.chm" "$root/build/chm-debian/Nini.chm" "$dest/"
lcl=$("$root/bench/lzx/get-lcl-chm.sh")
ln -f "$lcl" "$dest/lcl.chm" 2>/dev/null || cp "$lcl" "$dest/lcl.chm"

for name in Nini OpenMCDF clam lcl; do
    /usr/bin/python3 "$here/fulltext-pychm.py" "$dest/$name.chm" "$name.chm" >>"$work/fulltext-pychm.tsv"
done
mv "$work/fulltext-pychm.tsv" "$dest/fulltext-pychm.tsv"
