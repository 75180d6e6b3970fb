#!/usr/bin/env bash
# Builds a libFuzzer target with AddressSanitizer and UndefinedBehaviorSanitizer (clang, in
# build-fuzz/) and runs it, seeded with the embedded resources and the test fixtures.
#
#   tools/fuzz.sh NAME [seconds]      60 seconds unless told; NAME is one of
#     xfile      the .X text reader
#     bmp        the BMP reader
#     vsasm      the vertex shader assembler (and the check, encoder, GLSL and interpreter)
#     vstokens   the shader token decoder and the vertex declaration parser
#     fpp        the FPP control-point reader
#     bps        the BPS matrix-list reader, which also reads the TPS list
#     wave       the RIFF WAVE reader and the looping conversion
#
# A target is the program tests/fuzz/NAME_fuzz (tests/fuzz/CMakeLists.txt), one case line below
# naming its seed files, and an optional dictionary tests/fuzz/NAME.dict. New inputs collect in
# build-fuzz/corpus/NAME; a finding is written as ./crash-<hash> and the run stops with a
# non-zero status. Replay one with build-fuzz/tests/fuzz/NAME_fuzz FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-}
seconds=${2:-60}
case "$target" in
    xfile) seeds=(resources/MODEL/* tests/data/x/*.x tests/data/resources/MODEL/*) ;;
    bmp) seeds=(resources/RCDATA/*.bmp tests/data/resources/RCDATA/*.bmp) ;;
    vsasm) seeds=(resources/RCDATA/*.vsh) ;;
    vstokens) seeds=(tests/fuzz/seeds/vstokens/*) ;;
    fpp) seeds=(resources/MISC/*.FPP tests/data/resources/MISC/*.FPP) ;;
    bps) seeds=(resources/MISC/*.BPS resources/MISC/*.TPS tests/data/resources/MISC/*.BPS) ;;
    wave) seeds=(resources/MIDI/* tests/data/resources/MIDI/*) ;;
    *)
        echo "usage: tools/fuzz.sh xfile|bmp|vsasm|vstokens|fpp|bps|wave [seconds]" >&2
        exit 2
        ;;
esac

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVELMORA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target "${target}_fuzz" -j2

# libFuzzer treats directories as corpora and plain files as inputs to run once, so the seeds
# are gathered into a folder of their own.
seed_dir=build-fuzz/seeds/$target
rm -rf "$seed_dir"
mkdir -p "$seed_dir"
cp "${seeds[@]}" "$seed_dir"
corpus=build-fuzz/corpus/$target
mkdir -p "$corpus"
options=(-max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1)
[ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
# Inputs beyond 64 KiB are cut on loading: the large models still seed every construct.
exec "build-fuzz/tests/fuzz/${target}_fuzz" "${options[@]}" "$corpus" "$seed_dir"
