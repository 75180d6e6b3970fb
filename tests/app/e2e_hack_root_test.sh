#!/usr/bin/env bash
# velmora-hack -root draws on the root window and makes no window of its own; with
# XSCREENSAVER_WINDOW set, -root means the host's window (XScreenSaver's virtual root) and the
# root around it stays as it was. SIGINT ends it as SIGTERM does.
source "$(dirname "$0")/e2e_lib.sh"
unset XSCREENSAVER_WINDOW
start_xvfb

top_level_windows() { xdotool search --maxdepth 1 --name '' 2>/dev/null | sort; }
before=$(top_level_windows)
[ "$(colour_count 320 256 640 512)" -le 2 ] || fail "the root does not show its plain weave"
start_hack -root -trace "$E2E_DIR/root-trace.txt"
wait_until 60 "the scene on the root window" shows_scene 320 256 640 512
[ "$(top_level_windows)" = "$before" ] || fail "-root made a window"
pass "-root draws on the root window without a window of its own"
kill -INT "$HACK_PID"
expect_exit_zero "$HACK_PID" 10 "SIGINT"
expect_trace_complete "$E2E_DIR/root-trace.txt" SIGINT
pass "SIGINT ends it with 0 and a complete tear-down"

# A fresh screen: the root's weave again around the host's window.
kill "$E2E_XVFB_PID"
wait "$E2E_XVFB_PID" 2>/dev/null || true
start_xvfb
make_window 200 200 400 300
XSCREENSAVER_WINDOW=$TEST_WINDOW start_hack -root
wait_until 60 "the scene in the host's window" shows_scene 200 200 400 300
[ "$(colour_count 700 600 400 300)" -le 2 ] || fail "-root drew outside the host's window"
pass "-root with XSCREENSAVER_WINDOW draws into the host's window only"
kill -TERM "$HACK_PID"
expect_exit_zero "$HACK_PID" 10 "SIGTERM"
