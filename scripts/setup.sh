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
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
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
