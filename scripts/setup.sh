#!/bin/bash
# Installs what the build and the tests need on a Debian 12 machine (as root).
# Quick when everything is already there: it only asks dpkg.
# On a machine whose kernel runs no 32-bit code, it also prepares the emulated path for Wine
# (qemu-user-static and the mends library of tools/i386emu) and checks that it works.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  googletest libgtest-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386
  fp-utils libchm-bin libchm-dev libmspack-dev 7zip w3m python3-chm
  mueller7-dict dictzip zlib1g-dev libz-mingw-w64-dev
  dictd dict dict-foldoc dict-freedict-deu-eng sdcv stardict-czech
  time
)
# What the emulated path adds: qemu's i386 user-mode emulator and gcc -m32 for the mends library.
emulation_packages=(qemu-user-static gcc-multilib)

# A mirror whose Release file is newer than one of its package lists (seen: bookworm-security's i386
# list a few KB short of its stated size) leaves apt without that list, and then i386 packages whose
# amd64 twins came from that suite cannot be installed at all. Take the mirror's list as it is, say
# so, and let apt resolve against it: the packages it names are still checked against their hashes.
use_stale_lists() {
  local url name dest
  grep -oE "Failed to fetch [^ ]+/Packages\.xz +(File has unexpected size|Hash Sum mismatch)" "$1" 2>/dev/null |
    awk '{print $4}' | sort -u | while read -r url; do
    name=${url#*://}
    name=${name//\//_}
    dest=/var/lib/apt/lists/${name%.xz}
    rm -f "$dest.part.xz"
    if /usr/lib/apt/apt-helper download-file "$url" "$dest.part.xz" >/dev/null 2>&1 &&
      { xz -dc "$dest.part.xz" >"$dest" 2>/dev/null ||
        python3 -c 'import lzma,sys; open(sys.argv[2],"wb").write(lzma.open(sys.argv[1]).read())' \
          "$dest.part.xz" "$dest"; }; then
      echo "setup: warning: using the mirror's copy of $url, which disagrees with its Release file" >&2
    fi
    rm -f "$dest.part.xz"
  done
}

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" != 0 ]; then
    echo "setup: run as root (apt-get needs it)" >&2
    exit 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync serves lists that fail their checks: try again a little later,
  # and go on with what was fetched if it keeps failing (the install says what is really missing).
  local try log=/tmp/lumivo-apt-update.log
  for try in 1 2 3; do
    apt-get update -q 2>&1 | tee "$log" && ! grep -q '^E: ' "$log" && break
    echo "setup: apt-get update failed (try $try of 3)" >&2
    [ "$try" = 3 ] || sleep $((try * 10))
  done
  use_stale_lists "$log"
  local again
  for again in 1 2; do
    apt-get install -y -q "${missing[@]}" && return 0
    [ "$again" = 2 ] && break
    echo "setup: apt-get install failed, fetching the package lists again" >&2
    sleep 10
    apt-get update -q || true
  done
  echo "setup: could not install ${missing[*]}" >&2
  exit 1
}

install_missing "${packages[@]}"

# Does this kernel run 32-bit programs? Ask one: the i386 dynamic loader that wine32 brings.
if [ "$(tools/i386emu/run.sh --mode)" = emulated ]; then
  install_missing "${emulation_packages[@]}"
  if ! build_log=$(tools/i386emu/build.sh build/i386emu 2>&1); then
    echo "$build_log" >&2
    echo "setup: this machine runs no 32-bit code, and the emulation's library failed to build" >&2
    exit 1
  fi
  if ! why=$(tools/i386emu/run.sh /lib/ld-linux.so.2 --version 2>&1 >/dev/null); then
    echo "setup: this machine runs no 32-bit code, and neither does its emulation: ${why:-no reason given}" >&2
    exit 1
  fi
fi
