#!/usr/bin/env bash
# The neighbour of the end-to-end tests: a running saver on an X display of its own, so that
# every e2e test proves that another user's or another display's Velmora does not stand in its
# way (the single-instance lock is per user and display).
#   e2e_other_display.sh start STATE   starts Xvfb and a saver past its dialog; leaves them
#                                      running and their process ids in the file STATE
#   e2e_other_display.sh stop STATE    fails when that saver has ended meanwhile, then stops both
# Needs what e2e_lib.sh needs.
source "$(dirname "$0")/e2e_lib.sh"
mode=${1:?start or stop}
state=${2:?state file}

if [ "$mode" = stop ]; then
    [ -s "$state" ] || fail "no neighbour was started"
    # shellcheck disable=SC1090
    source "$state"
    alive=0
    kill -0 "$NEIGHBOUR_VELMORA" 2>/dev/null && alive=1
    kill "$NEIGHBOUR_VELMORA" "$NEIGHBOUR_XVFB" 2>/dev/null || true
    rm -rf "$NEIGHBOUR_DIR" "$state"
    [ "$alive" -eq 1 ] || fail "the saver on the other display ended during the tests"
    pass "the saver on the other display ran through the tests"
    exit 0
fi

rm -f "$state"
start_xvfb
# Detached from this script's output, so that CTest does not wait for it; at the lowest
# priority, so that it takes little from the tests.
(cd "$E2E_DIR" && exec nice -n 19 "${VELMORA:?}" </dev/null >"$E2E_DIR/velmora.0.log" 2>&1) &
VELMORA_PID=$!
E2E_PIDS+=("$VELMORA_PID")
dialog=$(wait_window Velmora 30)
click_start "$dialog"
wait_window "Velmora Screen Saver" 60 >/dev/null
expect_running "$VELMORA_PID" 1 "the saver on the other display"

printf 'NEIGHBOUR_VELMORA=%s\nNEIGHBOUR_XVFB=%s\nNEIGHBOUR_DIR=%s\n' \
    "$VELMORA_PID" "$E2E_XVFB_PID" "$E2E_DIR" >"$state"
trap - EXIT  # both keep running for the tests; stop ends them
pass "a saver runs on display $DISPLAY"
