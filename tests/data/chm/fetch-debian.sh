#!/bin/bash
# Fetches CHMs that Debian packages ship (compiled by Microsoft's compiler) into DEST,
# once, and records their expected objects through the independent reader
# (expected.sh) at fetch time. Usage: fetch-debian.sh DEST
# Exits non-zero when the fetch fails; the tests then skip these files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dest=$1
[ -s "$dest/expected.tsv" ] && [ -s "$dest/OpenMCDF.chm" ] && exit 0
mkdir -p "$dest"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A slow or flaky mirror gets retries; only a fetch that still fails makes the tests skip.
if ! (cd "$work" && apt-get -o Acquire::Retries=3 download openmcdf >"$work/apt.log" 2>&1); then
    echo "fetch-debian.sh: apt-get download openmcdf failed:" >&2
    tail -n 5 "$work/apt.log" >&2
    exit 1
fi
dpkg -x "$work"/openmcdf_*.deb "$work/root"
cp "$work/root/usr/share/OpenMCDF/help/OpenMCDF.chm" "$work/OpenMCDF.chm"
cp "$work/root/usr/share/doc/openmcdf/copyright" "$dest/OpenMCDF.copyright"
"$here/expected.sh" "$work/OpenMCDF.chm" OpenMCDF.chm >"$work/expected.tsv"
mv "$work/OpenMCDF.chm" "$dest/OpenMCDF.chm"
mv "$work/expected.tsv" "$dest/expected.tsv"
