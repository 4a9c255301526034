#!/usr/bin/env bash
# The whole test suite, from a fresh Debian 12 machine: installs what is missing, builds the
# native preset (tests under the sanitizers) and both Windows presets, whose stubs' images are
# checked as they are linked, and runs the Windows tests under Wine, with a virtual X display
# for the programs that open windows: the 64-bit build's on every machine, the 32-bit build's
# where this machine can execute 32-bit code. Where it cannot, the 32-bit stub still runs once,
# end to end, under an emulator (scripts/smoke-32bit.sh), after everything else.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine-lib.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j "$(nproc)"

for preset in windows windows64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

on_display() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
on_display ctest --preset windows64
if can_run_32bit; then
  on_display ctest --preset windows
else
  echo "32-bit Windows suites skipped: this machine cannot execute 32-bit x86 code" \
       "(/usr/lib/wine/wineserver32 does not start natively); the 32-bit build was made and its stub checked."
  bash scripts/smoke-32bit.sh
fi
