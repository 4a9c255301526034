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
    32) WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
    64) WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    *) echo "use_wine: bitness must be 32 or 64, not '$1'" >&2; return 2 ;;
  esac
  export WINELOADER WINESERVER
  export WINEPREFIX=${WINEPREFIX:-$KVX_ROOT/build/wineprefix$1}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

# can_run_32bit: true when this machine executes 32-bit x86 code, found out by running a
# 32-bit program (32-bit Wine's server), not by looking at what is installed.
can_run_32bit() {
  /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}
