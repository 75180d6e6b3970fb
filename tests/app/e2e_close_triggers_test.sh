#!/usr/bin/env bash
# What ends the running saver, each with code 0: a movement to the left counts as one to the
# right; absolute (warped) moves count as relative ones; any mouse button; the loss of the
# input focus; Escape, but no letter or arrow key.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

start_saver
xdotool mousemove_relative --sync -- -3 2
expect_exit_zero "$VELMORA_PID" 20 "3 left, 2 down"
pass "3 left and 2 down ends the saver"

# Absolute moves, as remote desktops, KVM switches and tablets make them (xdotool warps the
# pointer: no relative motion reaches the server's input devices).
start_saver
eval "$(xdotool getmouselocation --shell)"
xdotool mousemove --sync $((X + 3)) $((Y + 1))
expect_running "$VELMORA_PID" 1 "an absolute move of 3 right, 1 down"
pass "an absolute move of 4 pixels in total is tolerated"
xdotool mousemove --sync $((X + 3)) $((Y + 2))
expect_exit_zero "$VELMORA_PID" 20 "an absolute move of 3 right, 2 down"
pass "an absolute move of 5 pixels in total ends the saver"

for button in 1 2 3; do
    start_saver
    xdotool click "$button"
    expect_exit_zero "$VELMORA_PID" 20 "mouse button $button"
    pass "mouse button $button ends the saver"
done

start_saver
"$X11_PROBE" take-focus &
probe=$!
expect_exit_zero "$VELMORA_PID" 20 "focus loss"
wait "$probe"
pass "the loss of focus ends the saver"

start_saver
hold_keys w s d a e q z x Up Down Left Right Prior Next space Return
expect_running "$VELMORA_PID" 2 "letter and arrow keys"
pass "letter, arrow and page keys leave the saver running"
hold_keys Escape
expect_exit_zero "$VELMORA_PID" 20 "Escape"
pass "Escape ends the saver"
