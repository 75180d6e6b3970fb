#!/usr/bin/env bash
# velmora-tool flock as the soak and the obstacle check run it: five minutes of frame time
# (10000 steps of 0.03 s) with the look-ahead on and off, reporting how many bird-steps end
# inside an obstacle's hull in each case; a short soak of both flock sizes; bad usage.
set -u
tool=${VELMORA_TOOL:?}
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
field() { grep -o " $2=[^ ]*" <<<" $1" | head -1 | cut -d= -f2; }

for avoid in 0 1; do
    line=$("$tool" flock --frames 10000 --birds 50 --avoid $avoid)
    check "avoid=$avoid exits cleanly" '[ $? -eq 0 ]'
    echo "obstacles, avoidance $avoid: $(field "$line" inside_hull_steps) of $(field "$line" bird_steps) bird-steps inside a hull"
    check "avoid=$avoid stays finite" '[ "$(field "$line" nonfinite)" = 0 ]'
    check "avoid=$avoid stays within 20000 of the origin" '[ "$(field "$line" within_20000)" = 1 ]'
    check "avoid=$avoid somersaults first after 50 s" '[ "$(field "$line" first_somersault_frame)" = 1666 ]'
done
for birds in 5 100; do
    line=$("$tool" flock --frames 20000 --birds $birds)
    echo "soak, $birds birds: $line"
    check "$birds birds stay finite and near" '[ $? -eq 0 ] && [ "$(field "$line" nonfinite)" = 0 ]'
done
line=$("$tool" flock --frames 3000 --loops 0)
check "no somersault with loops off" '[ "$(field "$line" somersaults)" = 0 ]'

for args in "--birds 0" "--birds 101" "--step 0.5" "--avoid 2" "--frames" "--bogus 1"; do
    "$tool" flock $args >/dev/null 2>&1
    check "flock $args is refused as bad usage" '[ $? -eq 2 ]'
done
exit $fail
