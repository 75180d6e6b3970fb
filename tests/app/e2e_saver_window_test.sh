#!/usr/bin/env bash
# "起動" opens the saver: a fullscreen window of class "WindowsScreenSaverClass" with the
# saver's icon and the pointer hidden, white until its first frame. A pointer movement of 3 right and 1 down is tolerated, one more pixel down ends
# the saver with code 0, and the pointer is visible again afterwards.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

# Watched from the moment the window appears: white while the scene loads, then the picture.
start_velmora
click_start "$(wait_window Velmora 20)"
SAVER_WINDOW=$(wait_window "Velmora Screen Saver" 30)
white=0
for _ in $(seq 600); do
    top=$("$X11_PROBE" pixel 640 10)
    [ "$top" = ffffff ] && white=1
    [ "$top" = 000000 ] && [ "$white" -eq 1 ] && break
    sleep 0.01
done
[ "$white" -eq 1 ] || fail "the new window was not white before its first frame"
wait_picture
pass "the window is white until its first frame"
[ "$("$X11_PROBE" icon "$SAVER_WINDOW")" = 48x48 ] || fail "the saver window has no 48x48 icon"
sleep 0.5  # SDL reports focus changes a moment late; let the first one pass
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
