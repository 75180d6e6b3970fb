#!/usr/bin/env bash
# The scene's look, frame 240 of seed 7 at 640x480: day and night, the lead bird and the whale,
# 5 and 100 birds, each compared channel by channel with its reference in pictures/, at most
# TOLERANCE (default 0) apart. Changes that are meant to alter the picture regenerate the
# references with --update.
#   picture_test.sh VELMORA_TOOL [TOLERANCE | --update]
set -euo pipefail
tool=$1
mode=${2:-0}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for night in 0 1; do
    for user in 0 1; do
        for birds in 5 100; do
            name="$([ $night = 0 ] && echo day || echo night)_$([ $user = 0 ] && echo lead_bird || echo whale)_$birds"
            "$tool" render --frames 241 --seed 7 --set resolution=1 --set night=$night \
                --set userControl=$user --set birdCount=$birds \
                --png "last:$work/$name.png" >"$work/$name.log" 2>&1 || {
                echo "$name: velmora-tool render failed"
                cat "$work/$name.log"
                failed=1
                continue
            }
            if [ "$mode" = --update ]; then
                python3 "$here/picture_compare.py" pack "$work/$name.png" "$here/pictures/$name.png"
            else
                python3 "$here/picture_compare.py" compare "$here/pictures/$name.png" \
                    "$work/$name.png" "$mode" || failed=1
            fi
        done
    done
done
exit $failed
