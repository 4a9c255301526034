#!/usr/bin/env bash
# The main job: installs what is missing, builds the Windows programs and runs the engine's
# Windows build once under Wine as a smoke test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
scripts/wine-run.sh build/windows/tests/engine_tests.exe --gtest_brief=1
