#!/usr/bin/env bash
# velmora-tool as a user runs it: listings, circuit samples, errors and exit codes.
set -u
tool=${VELMORA_TOOL:?}
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }

out=$("$tool" resources)
check "resources lists CLOCK.FPP with its size" 'grep -Eq "^MISC +CLOCK.FPP +984$" <<<"$out"'
for type in MISC MODEL MIDI RCDATA; do
    check "resources lists a $type resource" 'grep -q "^$type " <<<"$out"'
done

out=$("$tool" path 0 1)
check "path prints the count" 'grep -qx "count 49" <<<"$out"'
check "path prints point 0 exactly" 'grep -q "^t 0 position 27.98963 9.167835 -191.1297 ahead " <<<"$out"'
check "path prints t 1" 'grep -q "^t 1 position " <<<"$out"'

"$tool" path abc >/dev/null 2>&1; check "a bad argument exits 2" '[ $? -eq 2 ]'
"$tool" frobnicate >/dev/null 2>&1; check "an unknown command exits 2" '[ $? -eq 2 ]'
"$tool" >/dev/null 2>&1; check "no command exits 2" '[ $? -eq 2 ]'
out=$("$tool" path 49 2>&1); check "t outside the circuit is reported" 'grep -q "outside" <<<"$out"'
xdata="$(dirname "${BASH_SOURCE[0]}")/../data/x"
check "x prints a model's object tree" '"$tool" x "$xdata/sdk_style_cube.x" | grep -q "^  Mesh displayCube (line 48) { nVertices 8; vertices\[8\]; nFaces 6; faces\[6\] }$"'
out=$("$tool" x "$xdata/too_few_faces.x" 2>&1); check "x reports a bad file with its line and exits 1" '[ $? -eq 1 ] && grep -q "too_few_faces.x:11: " <<<"$out"'

# Help: the tool's and each command's usage on stdout, exit 0, even among other arguments.
out=$("$tool" --help 2>/dev/null); check "--help prints the commands and exits 0" '[ $? -eq 0 ] && grep -q "^  render " <<<"$out"'
for command in resources path x shade model render; do
    out=$("$tool" $command --help 2>/dev/null)
    check "$command --help prints its usage and exits 0" '[ $? -eq 0 ] && grep -q "^usage: velmora-tool $command" <<<"$out"'
done
out=$("$tool" render --frames --help 2>/dev/null)
check "--help where a value is due still helps" '[ $? -eq 0 ] && grep -q "^usage: velmora-tool render" <<<"$out"'
exit $fail
