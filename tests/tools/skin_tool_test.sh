#!/usr/bin/env bash
# velmora-tool skin as a user runs it: the tree, the containers and key lists, the pose matrices,
# a model from disk, the contact sheet, and the errors with their exit codes.
set -u
tool=${VELMORA_TOOL:?}
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
number='-?[0-9.e+-]+'

out=$("$tool" skin BIRDSKINNED01.X); rc=$?
check "a bird loads" '[ $rc -eq 0 ] && grep -qx "status 0x00000000" <<<"$out"'
check "the mesh line gives bones, palette and the 52-byte format" \
    'grep -Eq "^    mesh BirdSkin vertices [0-9]+ faces 456 bones 19 palette 19 influences 2 fvf 0x1258 groups 1 materials 1$" <<<"$out"'
check "each combination lists its ranges and bones" \
    'grep -Eq "^      combination 0 attribute 0 faces 0\+456 vertices 0\+[0-9]+ bones( [0-9]+){19}$" <<<"$out"'
check "animations name their targets and key lists" \
    'grep -q "^    animation (unnamed) target Body$" <<<"$out" && grep -Eq "^      rotation keys [0-9]+ time 0..98400$" <<<"$out"'
check "the loop length is printed" 'grep -qx "animation length 98400 ticks" <<<"$out"'
check "the trace is printed" 'grep -q "CreateEnumObject" <<<"$out"'

out=$("$tool" skin WHALESKINNED.X --time 1000 --matrices)
check "--matrices prints the time" 'grep -qx "time 1000 ticks" <<<"$out"'
check "--matrices prints every frame with 16 numbers" \
    'grep -Eq "^Tail1( $number){16}$" <<<"$out" && grep -Eq "^\(unnamed\)( $number){16}$" <<<"$out"'
a=$("$tool" skin WHALESKINNED.X --time 1000 --matrices | grep "^Tail1 ")
b=$("$tool" skin WHALESKINNED.X --time 30000 --matrices | grep "^Tail1 ")
check "the tail moves between two times" '[ "$a" != "$b" ]'

xfile=$(mktemp --suffix=.x)
sed 's/"Body";/"Nobody";/' "$(dirname "${BASH_SOURCE[0]}")/../../resources/MODEL/BIRDSKINNED01.X" >"$xfile"
out=$("$tool" skin "$xfile" 2>&1); rc=$?
check "a file from disk with a bone naming no frame exits 1" '[ $rc -eq 1 ]'
check "its error names the bone" 'grep -q "bone '"'"'Nobody'"'"' of mesh '"'"'BirdSkin'"'"' names no frame" <<<"$out"'
check "its trace has the failure line" 'grep -q "SkinnedMesh Loading Failed...-2147024809" <<<"$out"'
rm -f "$xfile"

out=$("$tool" skin NOSUCH.X 2>&1); rc=$?
check "a missing model exits 1" '[ $rc -eq 1 ] && grep -qx "status 0x8876035A" <<<"$out"'
"$tool" skin >/dev/null 2>&1; check "no name exits 2" '[ $? -eq 2 ]'
"$tool" skin DAMMY.X --poses 0 >/dev/null 2>&1; check "zero poses exit 2" '[ $? -eq 2 ]'

png=$(mktemp --suffix=.png)
out=$("$tool" skin DAMMY.X --png "$png" --poses 3); rc=$?
check "--png draws the sheet" '[ $rc -eq 0 ] && [ "$(head -c 8 "$png" | od -An -tx1 | tr -d " ")" = 89504e470d0a1a0a ]'
check "--png names the poses" 'grep -q "poses 3 (side from +x; top from +y) 0 3290 6580$" <<<"$out"'
rm -f "$png"
exit $fail
