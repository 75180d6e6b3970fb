#!/usr/bin/env bash
# velmora-hack -window-id draws into a window that the test made, follows it when it is resized
# (the 4:3 picture keeps its aspect with black bars; -resolution window fills the window at its
# own size), and ends with code 0 and a complete tear-down when the window is destroyed.
source "$(dirname "$0")/e2e_lib.sh"
unset XSCREENSAVER_WINDOW
start_xvfb

make_window 100 100 320 240
start_hack -window-id "$TEST_WINDOW" -trace "$E2E_DIR/trace.txt"
wait_until 60 "the scene in the 320x240 window" shows_scene 100 100 320 240
pass "-window-id: the scene is drawn into the given window"

# The grown part of the window is painted over the window's magenta.
no_magenta() { [ "$(pixel_count "$@" ff00ff)" -eq 0 ]; }
xdotool windowsize "$TEST_WINDOW" 480 360
wait_until 10 "the grown part of the window" no_magenta 420 340 160 120
shows_scene 100 100 480 360 || fail "the resized window shows no scene"
pass "the picture follows the window to 480x360"

# A 600x200 window: the 4:3 picture is 267 pixels wide in the middle, black at both sides.
bars() { [ "$(pixel_count 100 100 150 200 000000)" -eq 30000 ]; }
xdotool windowsize "$TEST_WINDOW" 600 200
wait_until 10 "black bars at the sides of a 600x200 window" bars
[ "$(pixel_count 550 100 150 200 000000)" -eq 30000 ] || fail "no black bar on the right"
shows_scene 270 100 260 200 || fail "no scene between the bars"
pass "a 4:3 picture keeps its aspect in a wide window"

kill "$TEST_WINDOW_PID"
expect_exit_zero "$HACK_PID" 10 "the window was destroyed"
expect_trace_complete "$E2E_DIR/trace.txt" "window destroyed"
pass "a destroyed window ends the hack with 0 and a complete tear-down"

# -resolution window: the back buffer takes the window's size and shape, so no bars, also after
# a resize to another shape.
make_window 100 100 600 200
start_hack -window-id "$TEST_WINDOW" -resolution window
wait_until 60 "the scene at the left edge of a 600x200 window" shows_scene 100 100 100 200
xdotool windowsize "$TEST_WINDOW" 200 400
wait_until 10 "the scene at the bottom of a 200x400 window" shows_scene 100 400 200 100
[ "$(pixel_count 100 100 200 400 000000)" -lt 8000 ] || fail "a 200x400 window shows bars"
pass "-resolution window fills the window at its own size, also after a resize"
kill -TERM "$HACK_PID"
expect_exit_zero "$HACK_PID" 10 "SIGTERM"
