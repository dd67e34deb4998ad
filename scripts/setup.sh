#!/bin/bash
# Installs what the build and the tests need on a Debian 12 machine (as root).
# Quick when everything is already there: it only asks dpkg.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  googletest libgtest-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386
  fp-utils libchm-bin libchm-dev libmspack-dev 7zip w3m
  mueller7-dict dictzip zlib1g-dev libz-mingw-w64-dev
  dictd dict dict-foldoc dict-freedict-deu-eng sdcv stardict-czech
  time
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" != 0 ]; then
  echo "setup: run as root (apt-get needs it)" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
