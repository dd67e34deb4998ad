#!/bin/sh
# Runs a command that may start 32-bit (i386) programs, such as Wine.
# Where the kernel runs them, the command runs as it is. Where it does not, the command runs in a
# private user and mount namespace with its own binfmt_misc, in which i386 programs start under
# qemu-i386-static with the mends library preloaded (mends.c says why), and with a directory of
# Wine server sockets of its own. Nothing outside the namespace changes. The library must be built
# (scripts/setup.sh builds it).
# Usage: run.sh COMMAND [ARG...]     run.sh --mode   (prints "native" or "emulated")
set -eu
here=$(cd "$(dirname "$0")" && pwd)
: "${LUMIVO_I386EMU_DIR:=$(cd "$here/../.." && pwd)/build/i386emu}"

# Waits (30 s at most) until no Wine server of this namespace is left, so that the prefix's
# registry is written before the next run, which will have a server of its own, reads it.
wait_for_wine_servers() {
  own=$(readlink /proc/self/ns/mnt)
  tries=300
  while [ $tries -gt 0 ]; do
    busy=
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/ns/mnt" 2>/dev/null)" = "$own" ] || continue
      case "$(tr '\0' ' ' <"$p/cmdline" 2>/dev/null)" in *wineserver*) busy=1 && break ;; esac
    done
    [ -n "$busy" ] || return 0
    sleep 0.1
    tries=$((tries - 1))
  done
}

if [ "${1:-}" = --inside-namespace ]; then
  shift
  fail() { echo "i386emu: $1" >&2; exit 1; }
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
    fail "cannot mount a private binfmt_misc (Linux 6.7 or later allows it in a user namespace)"
  # An i386 ELF executable or shared object (e_type 2 or 3, e_machine 3); F: qemu is opened now.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":lumivo-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" \
    >/proc/sys/fs/binfmt_misc/register 2>/dev/null || fail "cannot register qemu-i386-static with binfmt_misc"
  # A Wine server of another namespace could not read the memory of this one's processes.
  wine_dir=/tmp/.wine-$(id -u)
  mkdir -p -m 700 "$wine_dir" && mount -t tmpfs -o mode=700 lumivo-wine "$wine_dir" ||
    fail "cannot mount a private $wine_dir"
  export LUMIVO_I386EMU_ACTIVE=emulated
  status=0
  "$@" || status=$?
  wait_for_wine_servers
  exit $status
fi

runs_i386() { [ ! -e /lib/ld-linux.so.2 ] || /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
if [ "${1:-}" = --mode ]; then
  if runs_i386; then echo native; else echo emulated; fi
  exit 0
fi
# Already inside, or a kernel that runs i386 code itself: nothing to do. LUMIVO_I386EMU_ACTIVE
# tells the commands below (and run.sh itself, when they call it again) that the choice is made.
[ -n "${LUMIVO_I386EMU_ACTIVE:-}" ] && exec "$@"
if runs_i386; then
  export LUMIVO_I386EMU_ACTIVE=native
  exec "$@"
fi
if [ ! -f "$LUMIVO_I386EMU_DIR/lib/i386-linux-gnu/liblumivo-i386emu.so" ]; then
  echo "i386emu: this machine runs no 32-bit code and the emulation's library is not built: run scripts/setup.sh" >&2
  exit 1
fi
# $LIB is expanded by the dynamic loader of each program: the i386 library or its x86_64 twin.
LD_PRELOAD="$LUMIVO_I386EMU_DIR/\$LIB/liblumivo-i386emu.so${LD_PRELOAD:+ $LD_PRELOAD}"
export LD_PRELOAD
exec unshare --user --map-root-user --mount "$0" --inside-namespace "$@"
