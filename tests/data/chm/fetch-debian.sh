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
(cd "$work" && apt-get download openmcdf >/dev/null 2>&1) || { echo "fetch-debian.sh: apt-get download openmcdf failed" >&2; exit 1; }
dpkg -x "$work"/openmcdf_*.deb "$work/root"
cp "$work/root/usr/share/OpenMCDF/help/OpenMCDF.chm" "$work/OpenMCDF.chm"
cp "$work/root/usr/share/doc/openmcdf/copyright" "$dest/OpenMCDF.copyright"
"$here/expected.sh" "$work/OpenMCDF.chm" OpenMCDF.chm >"$work/expected.tsv"
mv "$work/OpenMCDF.chm" "$dest/OpenMCDF.chm"
mv "$work/expected.tsv" "$dest/expected.tsv"
