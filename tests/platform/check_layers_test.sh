#!/usr/bin/env bash
# Test of the layer check: a copy of the tree passes; each planted offence fails with its file
# and line.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_root=$(cd "$here/../.." && pwd)
check="$here/check_layers.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

fresh_copy() {
    rm -rf "$scratch/tree"
    mkdir -p "$scratch/tree"
    (cd "$source_root" && cp -r app world render flock audio platform tools tests bench \
        "$scratch/tree/" 2>/dev/null)
}

# expect_offence FILE LINE PATTERN: the check fails and names FILE:LINE with PATTERN.
expect_offence() {
    local output
    output=$("$check" "$scratch/tree")
    local status=$?
    [ "$status" -eq 1 ] || fail "expected exit 1 for $1:$2, got $status"
    grep -qF "$1:$2: " <<<"$output" || fail "no offence named at $1:$2 in: $output"
    grep -q "$3" <<<"$output" || fail "offence at $1:$2 does not say '$3': $output"
}

fresh_copy
"$check" "$scratch/tree" >/dev/null || fail "the unchanged tree has offences"

# gl/ leaning up onto the device.
fresh_copy
printf '// planted\n#include "platform/d3d8/d3d8.h"\n' >>"$scratch/tree/platform/gl/gl_window.h"
line=$(grep -n 'planted' "$scratch/tree/platform/gl/gl_window.h" | cut -d: -f1)
expect_offence platform/gl/gl_window.h $((line + 1)) "must not include platform/d3d8/d3d8.h"

# The device leaning up onto D3DX.
fresh_copy
sed -i '1i #include "platform/d3dx/d3dx_mesh.h"' "$scratch/tree/platform/d3d8/d3d8_device.cpp"
expect_offence platform/d3d8/d3d8_device.cpp 1 "platform/d3d8/ must not include"

# The platform reaching into scene code.
fresh_copy
sed -i '1i #include "app/frame.h"' "$scratch/tree/platform/d3dx/d3dx_font.cpp"
expect_offence platform/d3dx/d3dx_font.cpp 1 "must not include scene code"

# A file at the top of platform/.
fresh_copy
echo '#pragma once' >"$scratch/tree/platform/loose.h"
output=$("$check" "$scratch/tree")
[ $? -eq 1 ] || fail "a loose file passed"
grep -q '^platform/loose.h: lies at the top' <<<"$output" || fail "loose file not named: $output"

# GL outside platform/gl/: a header and a call.
fresh_copy
sed -i '1i #include <epoxy/gl.h>' "$scratch/tree/render/z_sort_render.cpp"
expect_offence render/z_sort_render.cpp 1 "OpenGL header outside platform/gl/"
fresh_copy
printf 'void Planted() { glFinish(); }\n' >>"$scratch/tree/world/ferguson.cpp"
line=$(wc -l <"$scratch/tree/world/ferguson.cpp")
expect_offence world/ferguson.cpp "$line" "OpenGL call outside platform/gl/: glFinish("

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "layer check test: every planted offence caught"
