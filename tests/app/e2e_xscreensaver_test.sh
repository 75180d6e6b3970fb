#!/usr/bin/env bash
# The real XScreenSaver daemon, in a scratch home that lists velmora-hack as its only hack:
# xscreensaver-command -activate starts the hack and the scene fills the screen; -deactivate
# ends it, and within a second no hack process is left, its trace ends with a complete
# tear-down and no error log was written.
# XScreenSaver runs no hacks as root, so under root the daemon runs as nobody.
source "$(dirname "$0")/e2e_lib.sh"
# XScreenSaver stays away from Wayland sessions; this one is X11 only.
unset XSCREENSAVER_WINDOW WAYLAND_DISPLAY XDG_SESSION_TYPE
command -v xscreensaver >/dev/null || fail "xscreensaver is not installed"
start_xvfb

# The hack is copied into the scratch directory: the daemon's user must reach it, and its path
# tells this test's hack apart from any other velmora-hack on the machine.
home="$E2E_DIR/home"
mkdir -p "$home"
cp "$VELMORA_HACK" "$E2E_DIR/velmora-hack"
hack="$E2E_DIR/velmora-hack"
cat >"$home/.xscreensaver" <<CONFIG
mode:		one
selected:	0
timeout:	1:00:00
lock:		False
splash:		False
fade:		False
unfade:		False
captureStderr:	False
programs:	"Velmora" $hack --root -trace $home/trace.txt \\n
CONFIG
as_daemon_user=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$E2E_DIR"
    chown -R 65534:65534 "$home"
    as_daemon_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
(cd "$home" && exec "${as_daemon_user[@]}" env HOME="$home" DISPLAY="$DISPLAY" \
    xscreensaver -no-splash -verbose >"$E2E_DIR/velmora.xscreensaver.log" 2>&1) &
E2E_PIDS+=($!)
daemon_up() { xscreensaver-command -time >/dev/null 2>&1; }
wait_until 20 "the XScreenSaver daemon" daemon_up

hack_pids() { pgrep -f "^$hack " || true; }
hack_running() { [ -n "$(hack_pids)" ]; }
[ "$(colour_count 320 256 640 512)" -le 2 ] || fail "the screen shows more than its weave"
xscreensaver-command -activate >/dev/null
wait_until 20 "velmora-hack started by the daemon" hack_running
wait_until 60 "the scene on the screen" shows_scene 320 256 640 512
pass "xscreensaver-command -activate runs velmora-hack and the scene fills the screen"

xscreensaver-command -deactivate >/dev/null
gone() { ! hack_running; }
wait_until 1 "velmora-hack gone after -deactivate" gone
pass "-deactivate: the hack is gone within a second"
wait_until 5 "the hack's trace" test -s "$home/trace.txt"
expect_trace_complete "$home/trace.txt" SIGTERM
[ ! -e "$home/VelmoraErrLog.txt" ] || fail "the hack wrote an error log"
pass "the hack ended on SIGTERM with a complete tear-down and left nothing behind"
