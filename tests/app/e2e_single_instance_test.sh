#!/usr/bin/env bash
# A second copy confirmed while one saver runs on the same display ends at once with code 0 and
# opens no window; the first keeps running. A copy on another display runs beside it.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

start_saver
first=$VELMORA_PID
# Return is sent to the second dialog itself, so that the input focus stays with the running
# saver; GDK reads such sent key events only from the core protocol.
start_velmora GDK_CORE_DEVICE_EVENTS=1
second=$VELMORA_PID
dialog=$(wait_window Velmora 20)
# The copy may be gone before the key's release reaches it.
xdotool key --window "$dialog" Return 2>/dev/null || true
expect_exit_zero "$second" 10 "second copy"
[ "$(xdotool search --name '^Velmora Screen Saver$' | wc -l)" -eq 1 ] ||
    fail "the second copy opened a saver window"
kill -0 "$first" 2>/dev/null || fail "the first saver ended"
pass "the second copy ends with 0 without a window"

home=$DISPLAY
start_xvfb
start_saver
elsewhere=$VELMORA_PID
expect_running "$elsewhere" 1 "the copy on another display"
kill -0 "$first" 2>/dev/null || fail "the first saver ended when another display's started"
pass "a copy on another display runs beside the first"
hold_keys Escape
expect_exit_zero "$elsewhere" 20 "the copy on another display"
export DISPLAY=$home

hold_keys Escape
expect_exit_zero "$first" 20 "first saver"
pass "the first saver still ends normally"
