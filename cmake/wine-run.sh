#!/bin/sh
# Runs a Win32 program under Wine in the build tree's private prefix.
# The prefix is made on first use; tests clear their own registry keys.
# On a machine whose kernel runs no 32-bit code, Wine runs under emulation (tools/i386emu/run.sh).
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "${LUMIVO_I386EMU_ACTIVE:-}" ] || exec "$root/tools/i386emu/run.sh" "$0" "$@"
: "${LUMIVO_WINEPREFIX:=$root/build/wineprefix}"
export WINEPREFIX="$LUMIVO_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$@"
