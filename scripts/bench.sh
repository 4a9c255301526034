#!/usr/bin/env bash
# Benchmarks unsfx against unzip, 7z, bsdtar and Python's zipfile: builds unsfx without
# sanitizers (Release, build/bench), makes the corpus once in build/bench/data, and prints
# Markdown tables (also left in build/bench/data/results.md). BENCH_MB=50 for a quick run; see
# bench/run_bench.py for the other knobs. The stub's extraction run in its window against
# unsfx.exe under Wine: scripts/bench-gui.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVX_SANITIZE=OFF >/dev/null
cmake --build build/bench --target unsfx -j2
python3 bench/run_bench.py --unsfx "$PWD/build/bench/unsfx" --work build/bench/data
