#!/usr/bin/env bash
# The saver flown as a user would: "ユーザー操作" chosen in the dialog, the whale held at the
# middle of the picture by the user camera, W held (throttle) and then A (turn left): the saver
# keeps running through the letter keys, the whale stays in view, and Escape ends it.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

start_velmora
dialog=$(wait_window Velmora 20)
choose_user_control "$dialog"
run_saver "$dialog"

# The camera looks at the whale's position, so the whale covers the middle of the picture; by
# day the sky there would be white.
whale_in_middle() {
    local centre
    centre=$("$X11_PROBE" pixel 640 512)
    [ "$centre" != ffffff ] && [ "$centre" != 000000 ]
}
whale_in_middle || fail "no whale in the middle of the picture: $("$X11_PROBE" pixel 640 512)"
pass "the user camera shows the whale in the middle"

xdotool keydown w
expect_running "$VELMORA_PID" 3 "W held"
xdotool keyup w
pass "holding W leaves the saver running"
xdotool keydown a
expect_running "$VELMORA_PID" 2 "A held"
xdotool keyup a
pass "holding A leaves the saver running"
whale_in_middle || fail "the whale left the middle of the picture: $("$X11_PROBE" pixel 640 512)"
pass "the whale is still in the middle after its flight"

hold_keys Escape
expect_exit_zero "$VELMORA_PID" 20 "Escape"
pass "Escape ends the saver"
