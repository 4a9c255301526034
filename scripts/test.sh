#!/usr/bin/env bash
# The whole test suite, from a fresh Debian 12 machine: installs what is missing, builds the
# native preset (tests under the sanitizers) and both Windows presets, whose stubs' images are
# checked as they are linked, and runs the Windows tests under Wine, with a virtual X display
# for the programs that open windows: the 64-bit build's on every machine, the 32-bit build's
# where this machine can execute 32-bit code and 32-bit Wine is installed. Where it cannot
# execute such code, the 32-bit stub still runs once, end to end, under an emulator
# (scripts/smoke-32bit.sh), after everything else; without 32-bit Wine (a mirror that could not
# provide it) that is skipped too. Each skip is one line with its reason.
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
if reason=$(why_no_32bit_wine); then
  if wine32_installed; then
    echo "32-bit Windows suites skipped: $reason; the 32-bit build was made and its stub checked."
    bash scripts/smoke-32bit.sh
  else
    echo "32-bit Windows suites and the emulated 32-bit smoke test skipped: $reason;" \
         "the 32-bit build was made and its stub checked."
  fi
else
  on_display ctest --preset windows
fi
