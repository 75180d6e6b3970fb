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

# --actors: the header, frame -1 (after the start-up) and every frame, the leader then the birds;
# two runs of one seed write the same CSV, another seed another flock.
"$tool" render --frames 3 --set resolution=1 --set birdCount=5 --actors "$work/a.csv" >/dev/null
"$tool" render --frames 3 --set resolution=1 --set birdCount=5 --actors "$work/b.csv" >/dev/null
"$tool" render --frames 3 --set resolution=1 --set birdCount=5 --actors "$work/c.csv" --seed 9 >/dev/null
check "the CSV header" '[ "$(head -1 "$work/a.csv")" = frame,actor,x,y,z,yaw,pitch,roll,speed,loop,loop_angle ]'
check "one row per actor for frames -1 to 2" '[ "$(tail -n +2 "$work/a.csv" | cut -d, -f1,2 | tr "\n" " ")" = "$(for f in -1 0 1 2; do for a in -1 0 1 2 3 4; do printf "%s,%s " $f $a; done; done)" ]'
check "every row has eleven fields" '[ "$(awk -F, "NF != 11" "$work/a.csv" | wc -l)" = 0 ]'
check "a seed repeats its flight" 'cmp -s "$work/a.csv" "$work/b.csv"'
check "another seed flies another flock" '! cmp -s "$work/a.csv" "$work/c.csv"'
check "the birds start with the base speed, no somersault, in the cube about (200, 1, 200)" '[ "$(grep "^-1,[0-9]" "$work/a.csv" | awk -F, "\$9 != 1.80000007 || \$10 != 0 || (\$3 - 200)^2 > 33^2 || (\$4 - 1)^2 > 33^2 || (\$5 - 200)^2 > 33^2" | wc -l)" = 0 ]'
# Bird 0 of seed 9 from the generator's draws 10 and 11: the clock read 9 ms for the flock's seed.
expected_x=$(awk 'BEGIN { s = 9; for (k = 1; k <= 11; k++) { s = (s * 214013 + 2531011) % 4294967296; r[k] = int(s / 65536) % 32768 / 32767 } printf "%.3f", (r[10] - r[11]) * 33 + 200 }')
check "--seed seeds the flock" '[ "$(awk -F, "\$1 == -1 && \$2 == 0 { printf \"%.3f\", \$3 }" "$work/c.csv")" = "$expected_x" ]'
"$tool" render --frames 1 --actors /nonexistent/dir/a.csv >/dev/null 2>"$work/err"
check "an unwritable CSV is a reported failure" '[ $? -eq 1 ] && grep -q "cannot write /nonexistent/dir/a.csv" "$work/err"'

# The leaders in the actors' CSV (actor -1): the whale under W, the lead bird on its own.
"$tool" render --frames 300 --step 0.03 --set resolution=1 --set userControl=1 --hold w \
    --actors "$work/whale.csv" >/dev/null
whale=$(awk -F, '$2 == -1' "$work/whale.csv")
check "the whale starts still at its start point" '[ "$(head -1 <<<"$whale")" = "-1,-1,1000,0,-500,0,0,0,0,0,0" ]'
check "under W the whale's speed rises every frame toward the throttle's limit of 141.4" \
    'awk -F, "NR > 1 && \$9 <= last { bad = 1 } { last = \$9 } END { exit bad || last < 130 || last > 141.42 }" <<<"$whale"'
check "the whale flies straight ahead along +z, never rolling" \
    'awk -F, "\$3 != 1000 || \$4 != 0 || \$8 != 0 { bad = 1 } END { exit bad }" <<<"$whale" && [ "$(tail -1 <<<"$whale" | cut -d, -f5 | cut -d. -f1)" -gt 300 ]'
gap() { awk -F, -v f="$1" '$1 == f && $2 == -1 { x = $3; y = $4; z = $5 }
    $1 == f && $2 >= 0 { n++; cx += $3; cy += $4; cz += $5 }
    END { printf "%d", sqrt((cx / n - x)^2 + (cy / n - y)^2 + (cz / n - z)^2) }' "$work/whale.csv"; }
check "the flock's centre closes on the whale" '[ "$(gap 299)" -lt $(( $(gap 0) / 3 )) ]'
"$tool" render --frames 60 --set resolution=1 --actors "$work/lead.csv" >/dev/null
lead=$(awk -F, '$2 == -1' "$work/lead.csv")
check "the lead bird starts at (10, 1, 10) and flies off at half its base speed or more" \
    '[ "$(head -1 <<<"$lead")" = "-1,-1,10,1,10,0,0,0,0,0,0" ] && awk -F, "NR > 1 && \$9 < 0.59 { bad = 1 } END { exit bad }" <<<"$lead"'

# Two runs of the same frame with eight rasteriser threads write the same bytes.
for run in 1 2; do
    LP_NUM_THREADS=8 "$tool" render --frames 30 --set night=1 --set resolution=1 --png last:"$work/threads$run.png" >/dev/null
done
check "the same frame with eight rasteriser threads gives the same PNG" 'cmp -s "$work/threads1.png" "$work/threads2.png"'

for args in "--set nosuch=1" "--set night=x" "--frames 0" "--png 3" "--hold jump" "--step -1" "--bogus" "--actors"; do
    "$tool" render $args >/dev/null 2>&1
    check "render $args is refused as bad usage" '[ $? -eq 2 ]'
done
exit $fail
