#!/usr/bin/env bash
# A start-up without a usable OpenGL 4.5 device (the driver told to offer 3.3 at most) ends
# silently with code 0 and leaves "VelmoraErrLog.txt" with the trace in the start directory.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

start_velmora MESA_GL_VERSION_OVERRIDE=3.3 >"$E2E_DIR/stdout"
dialog=$(wait_window Velmora 20)
click_start "$dialog"
expect_exit_zero "$VELMORA_PID" 20 "failed start-up"
[ -s "$E2E_DIR/stdout" ] && fail "velmora printed: $(cat "$E2E_DIR/stdout")"

log="$E2E_DIR/VelmoraErrLog.txt"
[ -f "$log" ] || fail "no VelmoraErrLog.txt in the start directory"
expected=$(printf 'InitiateD3D...\n\tDirect3DCreate8...\n\tFailed\nFailed\n')
[ "$(cat "$log")" = "$expected" ] || fail "error log reads: $(cat -A "$log")"
[ "$(tail -c 7 "$log" | tr '\n' '|')" = "Failed|" ] || fail "the error log does not end with \"Failed\\n\""
pass "the error log holds the trace from InitiateD3D to Failed"
