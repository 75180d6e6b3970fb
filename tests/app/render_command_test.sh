#!/usr/bin/env bash
# velmora-tool render as outside checks run it: the report's colours, lens and states, repeated
# runs, PNG frames, the user camera's keys, a forced device loss, bad usage.
set -u
tool=${VELMORA_TOOL:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
field() { grep -o " $2=[^ ]*" <<<"$1" | head -1 | cut -d= -f2; }

day=$("$tool" render --frames 3 --report --set resolution=1)
first=$(grep "^frame=0 " <<<"$day")
check "day clears and fogs white" '[ "$(field "$first" clear)" = 0xFFFFFFFF ] && [ "$(field "$first" fogcolor)" = 0xFFFFFFFF ]'
check "the first frame has the dolly's 60 degree lens" '[ "$(field "$first" fov)" = 1.0471976 ]'
check "the aspect is 4:3" '[ "$(field "$first" aspect)" = 1.3333334 ]'
check "fog is on after the frame-rate text" '[ "$(field "$first" fogenable)" = 1 ]'
check "the summary gives the start-up, the rate and the CPU time" 'tail -1 <<<"$day" | grep -Eq "^size=640x480 frames=3 startup_ms=[0-9.]+ initiate_ms=[0-9.]+ fps=[0-9.]+ frame_ms=[0-9.]+ cpu_ms_per_frame=[0-9.]+$"'

again=$("$tool" render --frames 3 --report --set resolution=1)
check "a run repeats exactly" '[ "$(grep ^frame= <<<"$day")" = "$(grep ^frame= <<<"$again")" ]'
other=$("$tool" render --frames 3 --report --set resolution=1 --seed 2)
check "another seed turns the light elsewhere" '[ "$(grep ^frame=0 <<<"$day")" != "$(grep ^frame=0 <<<"$other")" ]'

night=$("$tool" render --frames 1 --report --set night=1 --set resolution=1 --png 0:"$work/night.png")
check "night clears and fogs black" '[ "$(field "$night" clear)" = 0xFF000000 ] && [ "$(field "$night" fogcolor)" = 0xFF000000 ]'
check "the PNG is a 640x480 image" '[ "$(od -An -tx1 -j12 -N12 "$work/night.png" | tr -d " \n")" = 4948445200000280000001e0 ]'

user=$("$tool" render --frames 4 --report --set userControl=1 --hold up --step 0.5 --lose-device 3)
moved=$(field "$(grep ^frame=0 <<<"$user")" eye | awk -F, '{ printf "%.2f", sqrt(($1-2500)^2 + ($2-750)^2 + ($3+1500)^2) }')
check "Up flies the user camera 120 units a second from its start eye" '[ "$moved" = 3.60 ]'
check "a slow frame's step is capped" '[ "$(field "$(grep ^frame=1 <<<"$user")" step)" = 0.03 ] && [ "$(field "$(grep ^frame=1 <<<"$user")" raw)" = 0.5 ]'
lost=$(grep "^frame=3 " <<<"$user")
check "a lost device is reset on its frame" '[ "$(field "$lost" present)" = 0x88760868 ] && [ "$(field "$lost" reset)" = 1 ]'
check "the reset returns the camera to its start eye" '[ "$(field "$lost" eye)" = 2500,750,-1500 ]'
check "the reset applies the fixed states again" '[ "$(field "$lost" cull)" = 3 ] && [ "$(field "$lost" fogenable)" = 1 ] && [ "$(field "$lost" colorop0)" = 4 ]'

# Two runs of the same frame with eight rasteriser threads write the same bytes.
for run in 1 2; do
    LP_NUM_THREADS=8 "$tool" render --frames 30 --set night=1 --set resolution=1 --png last:"$work/threads$run.png" >/dev/null
done
check "the same frame with eight rasteriser threads gives the same PNG" 'cmp -s "$work/threads1.png" "$work/threads2.png"'

for args in "--set nosuch=1" "--set night=x" "--frames 0" "--png 3" "--hold jump" "--step -1" "--bogus"; do
    "$tool" render $args >/dev/null 2>&1
    check "render $args is refused as bad usage" '[ $? -eq 2 ]'
done
exit $fail
