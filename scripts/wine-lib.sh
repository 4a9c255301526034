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

# runs_32bit_code: true when this machine itself executes 32-bit x86 code, found out by running
# a 96-byte i386 program that exits with code 32 (it needs nothing installed). With an i386
# emulator registered, a 32-bit program runs either way, so that does not count.
runs_32bit_code() {
  ! i386_emulator_entry >/dev/null || return 1
  local probe status=0
  # In the build tree: /tmp may be mounted noexec.
  mkdir -p "$KVX_ROOT/build"
  probe=$(mktemp -p "$KVX_ROOT/build" i386-probe.XXXXXX)
  # ELF header; one loadable segment of the whole file at 0x08048000; mov eax,1; mov ebx,32; int 0x80.
  {
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08'
    printf '\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0'
    printf '\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x60\0\0\0\x60\0\0\0\x05\0\0\0\0\x10\0\0'
    printf '\xb8\x01\0\0\0\xbb\x20\0\0\0\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 32 ]
}

# wine32_installed: whether 32-bit Wine's loader and server are there.
wine32_installed() { [ -x /usr/lib/wine/wine ] && [ -x /usr/lib/wine/wineserver32 ]; }

# why_no_32bit_wine: when 32-bit Windows programs cannot run natively here, prints why (one
# line, without a full stop) and succeeds; fails when they can.
why_no_32bit_wine() {
  if ! wine32_installed; then
    cat "$KVX_ROOT/build/setup-skipped.txt" 2>/dev/null ||
      echo "32-bit Wine (Debian package wine32:i386) is not installed"
  elif ! runs_32bit_code; then
    echo "this machine cannot execute 32-bit x86 code (a 32-bit program fails with \"Exec format error\")"
  else
    return 1
  fi
}

# can_run_32bit: true when 32-bit Windows programs run here under 32-bit Wine, natively.
can_run_32bit() { ! why_no_32bit_wine >/dev/null; }
