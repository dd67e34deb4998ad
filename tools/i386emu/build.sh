#!/bin/sh
# Builds the mends library (i386, and its empty x86_64 twin) and the programs that test it, into
# OUT (default build/i386emu). Quick when nothing changed. Needs gcc with -m32 (gcc-multilib).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$(cd "$here/../.." && pwd)/build/i386emu}
mkdir -p "$out/lib/i386-linux-gnu" "$out/lib/x86_64-linux-gnu" "$out/tests"
newer() { [ ! -f "$1" ] || [ "$2" -nt "$1" ]; }
lib=liblumivo-i386emu.so
flags="-O2 -Wall -Wextra -Werror -shared -fPIC"
if newer "$out/lib/i386-linux-gnu/$lib" "$here/mends.c"; then
  gcc -m32 $flags -o "$out/lib/i386-linux-gnu/$lib" "$here/mends.c" -ldl -lpthread
fi
if newer "$out/lib/x86_64-linux-gnu/$lib" "$here/mends.c"; then
  gcc $flags -o "$out/lib/x86_64-linux-gnu/$lib" "$here/mends.c"
fi
for src in "$here"/tests/*.c; do
  name=$(basename "$src" .c)
  if newer "$out/tests/$name" "$src"; then
    gcc -m32 -O1 -Wall -Wextra -Werror -o "$out/tests/$name" "$src" -lpthread
  fi
done
