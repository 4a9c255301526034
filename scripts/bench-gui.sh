#!/usr/bin/env bash
# Benchmarks the stub's extraction run in its real window against unsfx.exe, both 64-bit, under
# the same Wine and prefix (build/bench-gui/wineprefix) on a virtual display: builds the
# windows64 preset's programs, makes archives of 10,000 and 30,000 files of about 4 KB in
# build/bench-gui, and prints a Markdown table with the ratio and the growth. Knobs:
# BENCH_GUI_COUNTS=10000,30000, BENCH_GUI_ROUNDS=3, and BENCH_GUI_PER_FOLDER=100 for folders of
# 100 files each (so more entries mean more folders, not fuller ones).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 --target sfx unsfx sfx_driver -j2 >/dev/null
b=build/windows64
export WINEPREFIX=$PWD/build/bench-gui/wineprefix LC_ALL=C.UTF-8
run=(python3 bench/gui_bench.py --stub $b/sfx.exe --unsfx $b/unsfx.exe --driver $b/tests/e2e/sfx_driver.exe
     --wine-run "$PWD/scripts/wine-run.sh" --work build/bench-gui)
if [ -n "${DISPLAY:-}" ]; then "${run[@]}"; else xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"; fi
scripts/wine-run.sh --server -w
