# Sourced by the scripts that start Wine: picks Wine's loader and server by a program's bitness,
# never through the /usr/bin/wine wrapper, which prefers the 32-bit loader whenever it is
# installed, also on machines that cannot execute 32-bit code. Each bitness has a prefix of its
# own (build/wineprefix32, build/wineprefix64 unless WINEPREFIX is set).

KVX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# pe_bits FILE: 32 or 64 for a Windows program of that machine type; fails for anything else.
pe_bits() {
  python3 - "$1" <<'PY'
import struct, sys
try:
    with open(sys.argv[1], "rb") as f:
        head = f.read(4096)
    at = struct.unpack_from("<I", head, 0x3C)[0]
    assert head[:2] == b"MZ" and head[at:at + 4] == b"PE\0\0"
    machine = struct.unpack_from("<H", head, at + 4)[0]
except Exception:
    sys.exit(1)
bits = {0x14C: 32, 0x8664: 64}.get(machine)
if bits is None:
    sys.exit(1)
print(bits)
PY
}

# use_wine BITS: exports the loader, server and prefix for programs of that bitness, and the
# settings every run of ours wants (no debug noise, no Mono or Gecko install prompts).
use_wine() {
  case $1 in
    32) WINELOADER=/usr/lib/wine/wine ;;
    64) WINELOADER=/usr/lib/wine/wine64 ;;
    *) echo "use_wine: bitness must be 32 or 64, not '$1'" >&2; return 2 ;;
  esac
  # The 64-bit server serves programs of both bitnesses (as Debian's own wrapper arranges it);
  # where 32-bit Wine runs under an emulator, it is the one part that still runs natively.
  WINESERVER=/usr/lib/wine/wineserver64
  [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
  export WINELOADER WINESERVER
  export WINEPREFIX=${WINEPREFIX:-$KVX_ROOT/build/wineprefix$1}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

BINFMT_MISC=/proc/sys/fs/binfmt_misc
# The start of the magic of an i386 ELF program as binfmt_misc shows it: ELF, 32-bit,
# little-endian, version 1, ..., e_machine 3.
I386_ELF_MAGIC=7f454c4601010100000000000000000002000300

# i386_emulator_entry: the name of an enabled binfmt_misc entry that hands i386 programs to an
# emulator, if there is one. Such an entry goes before the kernel's own ELF loader.
i386_emulator_entry() {
  local entry
  for entry in "$BINFMT_MISC"/*; do
    case ${entry##*/} in register | status | '*') continue ;; esac
    grep -qx enabled "$entry" 2>/dev/null && grep -q "^magic $I386_ELF_MAGIC" "$entry" 2>/dev/null &&
      { echo "${entry##*/}"; return 0; }
  done
  return 1
}

# can_run_32bit: true when this machine itself executes 32-bit x86 code, found out by running a
# 32-bit program (32-bit Wine's server), not by looking at what is installed. With an i386
# emulator registered, a 32-bit program runs either way, so that does not count.
can_run_32bit() {
  ! i386_emulator_entry >/dev/null && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}
