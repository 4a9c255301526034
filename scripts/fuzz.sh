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
# The third word picks the sanitizers: "address" (the default, both) or "undefined" alone, the
# fuzz-undefined preset, which runs about twice as many inputs a second. Such a run ends by
# replaying every input it kept under AddressSanitizer too, so that a memory fault that did not
# crash on its way is still caught.
# Inputs reach 300000 bytes, room for a name of 64 KiB and the headers around it. New inputs
# collect in build/PRESET/corpus/TARGET; a crash, a sanitizer report, a hang, an escape or a failed
# round trip stops the run and leaves its input in build/PRESET/findings/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
target=${2:-archive}
sanitizers=${3:-address}
case $target in
  archive) seeds=fuzz/corpus ;;
  round_trip) seeds=fuzz/round_trip_corpus ;;
  *) target= ;;
esac
case $sanitizers in
  address) preset=fuzz ;;
  undefined) preset=fuzz-undefined ;;
  *) target= ;;
esac
if [[ -z $target ]]; then
  echo "usage: $0 [SECONDS] [archive|round_trip] [address|undefined]" >&2
  exit 2
fi

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" --target "${target}_fuzzer"
}

build "$preset"
work=build/$preset
mkdir -p "$work/corpus/$target" "$work/findings/$target"
"$work/fuzz/${target}_fuzzer" "$work/corpus/$target" "$seeds" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=300000 \
  -artifact_prefix="$work/findings/$target/" -print_final_stats=1

if [[ $preset != fuzz ]]; then
  build fuzz
  mkdir -p build/fuzz/findings/$target
  echo "Replaying the inputs kept under AddressSanitizer:"
  build/fuzz/fuzz/${target}_fuzzer "$work/corpus/$target" -runs=0 -timeout=60 \
    -rss_limit_mb=2048 -max_len=300000 -artifact_prefix="build/fuzz/findings/$target/"
fi
