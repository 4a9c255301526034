#!/usr/bin/env bash
# One end-to-end run of the 32-bit product, build/windows/sfx.exe, on a machine that cannot
# execute 32-bit x86 code: 32-bit Wine runs under qemu-i386-static, which binfmt_misc hands every
# i386 program to for the length of this script. The case lists an archive and extracts stored,
# deflated and encrypted entries with the password, byte for byte, up to the closing message
# and exit code 0 (the Smoke case of tests/e2e/sfx_e2e.py, with the 32-bit driver).
#
# The registration is removed again on every way out, so nothing that runs later mistakes
# emulation for native 32-bit support; an i386 entry that was there before is used and left
# alone. Ends with one verdict line; exits 0 when the case passed or could not be arranged
# (skipped, with the reason), 1 when it failed. KVX_SMOKE_STUB names another stub to try.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-lib.sh

EMULATOR=/usr/bin/qemu-i386-static
ENTRY=kvx-i386
BUILD=build/windows
STUB=${KVX_SMOKE_STUB:-$BUILD/sfx.exe}
WORK=$BUILD/smoke
# An emulated Wine starts a program in one to two minutes, about twenty times as long as a
# native one; the whole case, a fresh prefix included, gets half an hour at most.
SLOW=20
CASE_SECONDS=1800

verdict() { echo "32-bit smoke test: $*"; }
skip() { verdict "skipped ($*)"; exit 0; }

registered=
mounted=
cleanup() {
  [ -z "$registered" ] || echo -1 >"$BINFMT_MISC/$ENTRY" 2>/dev/null || true
  [ -z "$mounted" ] || umount "$BINFMT_MISC" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The i386 registration: ELF header magic and mask for e_machine 3 (executables and
# position-independent ones alike); F opens the emulator now, so it serves in any namespace.
register_emulator() {
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':%s:M::%s:%s:%s:F\n' "$ENTRY" "$magic" "$mask" "$EMULATOR" >"$BINFMT_MISC/register"
}

for needed in "$STUB" "$BUILD/tests/e2e/sfx_driver.exe" "$BUILD/mksfx.exe"; do
  [ -f "$needed" ] || { verdict "FAILED ($needed is missing: build the windows preset first)"; exit 1; }
done
wine32_installed || skip "$(why_no_32bit_wine)"
runs_32bit_code && skip "this machine runs 32-bit code itself; the full 32-bit suites cover it"
[ -x "$EMULATOR" ] || skip "$EMULATOR is not installed"

if [ ! -e "$BINFMT_MISC/register" ]; then
  mount -t binfmt_misc binfmt_misc "$BINFMT_MISC" 2>/dev/null ||
    skip "binfmt_misc cannot be mounted here"
  mounted=1
fi
if existing=$(i386_emulator_entry); then
  echo "Using the i386 emulator entry that was registered before: $existing"
else
  register_emulator 2>/dev/null || skip "the kernel refused to register $EMULATOR for i386 programs"
  registered=1
fi
/usr/lib/wine/wineserver32 --version >/dev/null 2>&1 ||
  { verdict "FAILED (32-bit Wine does not start even under the emulator)"; exit 1; }

# A prefix made by an earlier run is kept: making one is most of the time this takes.
rm -rf "$WORK/work"
mkdir -p "$WORK"
log=$WORK/e2e.log
start=$SECONDS
status=0
KVX_SFX_STUB=$STUB KVX_SFX_DRIVER=$BUILD/tests/e2e/sfx_driver.exe KVX_MKSFX=$BUILD/mksfx.exe \
KVX_WINE_RUN=$PWD/scripts/wine-run.sh KVX_E2E_WORK=$PWD/$WORK/work WINEPREFIX=$PWD/$WORK/wineprefix \
KVX_E2E_SLOW=$SLOW timeout "$CASE_SECONDS" xvfb-run -a -s "-screen 0 1280x1024x24" \
  python3 tests/e2e/sfx_e2e.py Smoke >"$log" 2>&1 || status=$?
# A skipped case is no pass: the one case must have run and passed.
[ "$status" -ne 0 ] || { grep -q "^Ran 1 test" "$log" && grep -qx OK "$log"; } || status=1
took=$((SECONDS - start))
WINEPREFIX=$PWD/$WORK/wineprefix timeout 120 scripts/wine-run.sh --server -k >/dev/null 2>&1 || true

if [ "$status" -eq 0 ]; then
  verdict "passed in ${took} s ($STUB listed and extracted stored, deflated and encrypted entries under emulation)"
  exit 0
fi
tail -n 40 "$log" >&2
[ "$status" -eq 124 ] && reason="timed out after ${CASE_SECONDS} s" || reason="exit code $status after ${took} s"
verdict "FAILED ($STUB, $reason; the whole log is $log)"
exit 1
