#!/usr/bin/env bash
# SIGTERM, XScreenSaver's way of ending a hack, ends velmora-hack with code 0 and the whole
# tear-down traced, whether it comes during the start-up, at the first frame or while it runs;
# its own window (-window) goes with it. Pointer and keys never end it; the close box of its own
# window does.
source "$(dirname "$0")/e2e_lib.sh"
unset XSCREENSAVER_WINDOW
start_xvfb

own_window() { find_window Velmora; }
window_gone() { [ -z "$(own_window)" ]; }

# term_and_check WHEN TRACE: SIGTERM now, then a clean end with TRACE complete.
term_and_check() {
    kill -TERM "$HACK_PID"
    expect_exit_zero "$HACK_PID" 10 "SIGTERM $1"
    expect_trace_complete "$2" SIGTERM
    wait_until 5 "the own window after SIGTERM $1" window_gone
    pass "SIGTERM $1: exit code 0, the tear-down complete, the window gone"
}

start_hack -window -trace "$E2E_DIR/early.txt"
wait_window Velmora 20 >/dev/null
term_and_check "during the start-up" "$E2E_DIR/early.txt"

start_hack -window -fps -trace "$E2E_DIR/first.txt"
wait_until 60 "the first frame" shows_scene 0 0 1024 768
term_and_check "at the first frame" "$E2E_DIR/first.txt"

# The music needs an audio device: SDL's disk driver stands in for one.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_DIR/music.raw" \
    start_hack -window -sound -night -birds 5 -trace "$E2E_DIR/steady.txt"
window=$(wait_window Velmora 20)
wait_until 60 "the first frame" shows_scene 0 0 1024 768
# The host owns the pointer and the keys: clicks, movements and Escape change nothing.
xdotool mousemove 500 400 sleep 0.2 mousemove 700 600 click 1
xdotool windowfocus "$window" key Escape
expect_running "$HACK_PID" 3 "pointer and keys while running"
pass "pointer, clicks and Escape do not end it"
term_and_check "while running, with ambient sound" "$E2E_DIR/steady.txt"
grep -qx 'InitiateBGM\.\.\.' "$E2E_DIR/steady.txt" || fail "-sound did not start the music"
[ -s "$E2E_DIR/music.raw" ] || fail "-sound played nothing"

start_hack -window -trace "$E2E_DIR/closed.txt"
window=$(wait_window Velmora 20)
wait_until 60 "the first frame" shows_scene 0 0 1024 768
"$X11_PROBE" close "$window"
expect_exit_zero "$HACK_PID" 10 "the close box"
expect_trace_complete "$E2E_DIR/closed.txt" "window closed"
pass "the close box of its own window ends it with 0"
