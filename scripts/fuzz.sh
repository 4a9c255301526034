#!/usr/bin/env bash
# Fuzzes the archive engine for the given number of seconds (default 300): builds the fuzz
# preset (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs the target
# from the seed corpus in fuzz/corpus. New inputs collect in build/fuzz/corpus; a crash, a
# sanitizer report, a hang or an escape from the extraction folder stops the run and leaves its
# input in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target archive_fuzzer

work=build/fuzz
mkdir -p "$work/corpus" "$work/findings" "$work/tmp"
# The sandboxes go below the build tree, where a run that aborts may leave one behind.
export TMPDIR=$PWD/$work/tmp
"$work/fuzz/archive_fuzzer" "$work/corpus" fuzz/corpus \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=16384 \
  -artifact_prefix="$work/findings/" -print_final_stats=1
