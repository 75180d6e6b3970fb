#!/usr/bin/env bash
# "起動" opens the saver: a fullscreen window of class "WindowsScreenSaverClass" with the
# pointer hidden. A pointer movement of 3 right and 1 down is tolerated, one more pixel down ends
# the saver with code 0, and the pointer is visible again afterwards.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

start_saver
eval "$(xdotool getwindowgeometry --shell "$SAVER_WINDOW")"
[ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,1280,1024" ] ||
    fail "saver window at $X,$Y size ${WIDTH}x$HEIGHT, not the whole 1280x1024 screen"
xdotool search --class '^WindowsScreenSaverClass$' | grep -qx "$SAVER_WINDOW" ||
    fail "saver window lacks the class WindowsScreenSaverClass"
[ "$(cursor_state)" = hidden ] || fail "the pointer is visible over the saver"
pass "fullscreen window with its class and a hidden pointer"

xdotool mousemove_relative --sync 3 1
expect_running "$VELMORA_PID" 1 "3 right, 1 down"
pass "a movement of 4 pixels in total is tolerated"

xdotool mousemove_relative --sync 0 1
expect_exit_zero "$VELMORA_PID" 20 "3 right, 2 down"
pass "a movement of 5 pixels in total ends the saver with 0"
[ "$(cursor_state)" = visible ] || fail "the pointer stays hidden after the end"
pass "the pointer is visible after the end"
