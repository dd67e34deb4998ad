# Sourced by the fetch scripts of the benchmarks: where their data lives (build/bench-data, never
# committed) and how a Debian package gets there.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data="$root/build/bench-data"

# unpack_package PACKAGE DIR: PACKAGE's .deb, downloaded with apt-get into $data once, unpacked
# afresh into $data/DIR.
unpack_package() {
  mkdir -p "$data"
  (cd "$data" && { ls "$1"_*.deb >/dev/null 2>&1 || apt-get download "$1" >&2; } &&
    rm -rf "$2" && dpkg-deb -x "$1"_*.deb "$2")
}
