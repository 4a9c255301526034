#!/usr/bin/env bash
# The whole test suite, from a fresh Debian 12 machine: installs what is missing, builds the
# native preset (tests under the sanitizers) and the Windows preset (tests under Wine, with a
# virtual X display for the programs that open windows).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j "$(nproc)"

cmake --preset windows >/dev/null
cmake --build --preset windows
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows
