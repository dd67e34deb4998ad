#!/bin/bash
# Fetches CHMs that Debian packages ship (compiled by Microsoft's compiler) into DEST,
# once, and records their expected objects through the independent reader
# (expected.sh) and their keyword indexes through another (keywords.sh) at fetch time:
# OpenMCDF.chm (openmcdf) and Nini.chm (libnini-doc's NiniReference.chm).
# Usage: fetch-debian.sh DEST
# Exits non-zero when the fetch fails; the tests then skip these files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dest=$1
[ -s "$dest/expected.tsv" ] && [ -s "$dest/keywords.tsv" ] && [ -s "$dest/OpenMCDF.chm" ] && [ -s "$dest/Nini.chm" ] &&
    exit 0
mkdir -p "$dest"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A slow or flaky mirror gets retries; only a fetch that still fails makes the tests skip.
if ! (cd "$work" && apt-get -o Acquire::Retries=3 download openmcdf libnini-doc >"$work/apt.log" 2>&1); then
    echo "fetch-debian.sh: apt-get download openmcdf libnini-doc failed:" >&2
    tail -n 5 "$work/apt.log" >&2
    exit 1
fi
dpkg -x "$work"/openmcdf_*.deb "$work/root"
dpkg -x "$work"/libnini-doc_*.deb "$work/root"
cp "$work/root/usr/share/OpenMCDF/help/OpenMCDF.chm" "$work/OpenMCDF.chm"
gunzip -c "$work/root/usr/share/doc/libnini-doc/Docs/Reference/chm/NiniReference.chm.gz" >"$work/Nini.chm"
cp "$work/root/usr/share/doc/openmcdf/copyright" "$dest/OpenMCDF.copyright"
cp "$work/root/usr/share/doc/libnini-doc/copyright" "$dest/Nini.copyright"
for chm in OpenMCDF.chm Nini.chm; do
    "$here/expected.sh" "$work/$chm" "$chm" >>"$work/expected.tsv"
    "$here/keywords.sh" "$work/$chm" "$chm" >>"$work/keywords.tsv"
done
mv "$work/OpenMCDF.chm" "$work/Nini.chm" "$dest/"
mv "$work/expected.tsv" "$work/keywords.tsv" "$dest/"
