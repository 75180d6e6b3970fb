#!/usr/bin/env bash
# Builds a libFuzzer target with AddressSanitizer and UndefinedBehaviorSanitizer (clang, in
# build-fuzz/) and runs it, seeded with the embedded models and the test fixtures.
#
#   tools/fuzz.sh xfile [seconds]      the .X text reader; 60 seconds unless told
#   tools/fuzz.sh wave [seconds]       the RIFF WAVE reader and the looping conversion
#
# New inputs collect in build-fuzz/corpus/<target>; a finding is written as ./crash-<hash> and
# the run stops with a non-zero status. Replay one with build-fuzz/tests/fuzz/xfile_fuzz FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-}
seconds=${2:-60}
case "$target" in
    xfile) seeds=(resources/MODEL tests/data/x) ;;
    wave) seeds=(resources/MIDI tests/data/resources/MIDI) ;;
    *)
        echo "usage: tools/fuzz.sh xfile|wave [seconds]" >&2
        exit 2
        ;;
esac

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVELMORA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target "${target}_fuzz" -j2

corpus=build-fuzz/corpus/$target
mkdir -p "$corpus"
# Inputs beyond 64 KiB are cut on loading: the large models still seed every construct.
exec "build-fuzz/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=65536 \
    -timeout=10 -dict="tests/fuzz/$target.dict" -print_final_stats=1 "$corpus" "${seeds[@]}"
