#!/usr/bin/env bash
# Fuzzes one target for the given number of seconds (default 300) with one worker: builds the
# fuzz preset (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs the target
# from its seed corpus. Both targets run over the disk in memory (platform/memory/), which ends
# the run at any change outside the extraction folder.
#   archive     (the default) arbitrary bytes as a ZIP archive, listed, extracted with and
#               without stored paths and tested by unsfx; seeds in fuzz/corpus
#   round_trip  entries the input chooses, written by mksfx's archive writer, then listed,
#               extracted and tested by unsfx, which must give every entry back as it was;
#               seeds in fuzz/round_trip_corpus
# Inputs reach 300000 bytes, room for a name of 64 KiB and the headers around it. New inputs
# collect in build/fuzz/corpus/TARGET; a crash, a sanitizer report, a hang, an escape or a failed
# round trip stops the run and leaves its input in build/fuzz/findings/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
target=${2:-archive}
case $target in
  archive) seeds=fuzz/corpus ;;
  round_trip) seeds=fuzz/round_trip_corpus ;;
  *) echo "usage: $0 [SECONDS] [archive|round_trip]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzzer"

work=build/fuzz
mkdir -p "$work/corpus/$target" "$work/findings/$target"
"$work/fuzz/${target}_fuzzer" "$work/corpus/$target" "$seeds" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=300000 \
  -artifact_prefix="$work/findings/$target/" -print_final_stats=1
