#!/usr/bin/env bash
# Benchmarks unsfx against unzip, 7z, bsdtar and Python's zipfile: builds unsfx and the kernel
# benchmark without sanitizers (Release, build/bench), makes the corpora once in
# build/bench/data, and prints Markdown tables (also left in build/bench/data/results.md). Where
# the windows64 build's unsfx.exe exists, it is timed under Wine too. BENCH_MB=50 for a quick
# run; see bench/run_bench.py for the other knobs.
# The stub's extraction run in its window against unsfx.exe under Wine: scripts/bench-gui.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVX_SANITIZE=OFF >/dev/null
cmake --build build/bench --target unsfx unsfx_serial kernel_bench -j2
wine_unsfx=()
[ -f build/windows64/unsfx.exe ] && wine_unsfx=(--wine-unsfx "$PWD/build/windows64/unsfx.exe")
[ -f build/windows64/unsfx_serial.exe ] && wine_unsfx+=(--wine-unsfx-serial "$PWD/build/windows64/unsfx_serial.exe")
python3 bench/run_bench.py --unsfx "$PWD/build/bench/unsfx" --unsfx-serial "$PWD/build/bench/unsfx_serial" \
  --kernels "$PWD/build/bench/bench/kernel_bench" --work build/bench/data "${wine_unsfx[@]}"
