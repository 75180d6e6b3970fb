# Shared steps of the end-to-end tests, sourced by tests/app/e2e_*.sh and xvfb_run.sh.
# Each test starts an X server of its own (Xvfb, 1280x1024, on a free display number), runs
# velmora (or velmora-hack) in a scratch directory and drives it with xdotool.
# Needs: Xvfb, xdotool; VELMORA, VELMORA_HACK and X11_PROBE naming the programs (set by CTest).
set -euo pipefail

E2E_DIR=$(mktemp -d)
E2E_XVFB_PID=""  # the last X server started
E2E_XVFB_PIDS=()
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    for pid in "${E2E_XVFB_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${E2E_XVFB_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    local log
    for log in "$E2E_DIR"/velmora.*.log; do
        [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

pass() { echo "ok: $*"; }

# start_xvfb: a new X server, which becomes $DISPLAY (a test may start several).
# Display numbers are drawn from a high range, away from the :0, :1 and :99 that other X
# servers on the machine tend to take. -noreset: the server must not reset (and refuse
# connections meanwhile) each time its last client leaves between two runs of velmora.
start_xvfb() {
    local displayFile="$E2E_DIR/display" attempt number _
    for attempt in $(seq 20); do
        number=$((200 + RANDOM % 800))
        [ -e "/tmp/.X$number-lock" ] && continue
        : >"$displayFile"
        Xvfb ":$number" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$displayFile" \
            >"$E2E_DIR/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        for _ in $(seq 100); do
            [ -s "$displayFile" ] && break
            kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [ -s "$displayFile" ]; then
            E2E_XVFB_PIDS+=("$E2E_XVFB_PID")
            export DISPLAY=":$number"
            return 0
        fi
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
        E2E_XVFB_PID=""
    done
    fail "Xvfb did not start"
}

# start_velmora [NAME=VALUE...]: runs velmora in the scratch directory with those variables;
# its process id is left in VELMORA_PID.
start_velmora() {
    local log="$E2E_DIR/velmora.${#E2E_PIDS[@]}.log"
    (cd "$E2E_DIR" && exec env "$@" "${VELMORA:?}" 2>"$log") &
    VELMORA_PID=$!
    E2E_PIDS+=("$VELMORA_PID")
}

# find_window TITLE: prints the id of the visible window with exactly that title, if any.
find_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true
}

# wait_window TITLE SECONDS: prints the window's id once it is visible, or fails.
wait_window() {
    local id="" _
    for _ in $(seq $(($2 * 10))); do
        id=$(find_window "$1")
        [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || fail "no window \"$1\" within $2 s"
    echo "$id"
}

# wait_exit PID SECONDS: waits for the process to end and returns its exit code (124 if it is
# still running after that many seconds).
wait_exit() {
    local _
    for _ in $(seq $(($2 * 10))); do
        if ! kill -0 "$1" 2>/dev/null; then
            wait "$1"
            return $?
        fi
        sleep 0.1
    done
    return 124
}

# expect_exit_zero PID SECONDS WHAT: the process must end with code 0 within that time.
expect_exit_zero() {
    local code=0
    wait_exit "$1" "$2" || code=$?
    [ "$code" -eq 124 ] && fail "$3: still running after $2 s"
    [ "$code" -eq 0 ] || fail "$3: exit code $code"
    return 0
}

# expect_running PID SECONDS WHAT: the process must still be running after that time.
expect_running() {
    sleep "$2"
    kill -0 "$1" 2>/dev/null || fail "$3: the saver ended"
}

# dialog_point WINDOW X Y: moves the pointer to (X, Y) in dialog units of the 190 x 235
# template, scaled to the dialog's size on screen.
dialog_point() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2 * WIDTH / 190)) $((Y + $3 * HEIGHT / 235))
}

# The two push buttons' centres, in dialog units.
click_start() {
    dialog_point "$1" 155 14
    xdotool click 1
}
click_cancel() {
    dialog_point "$1" 155 31
    xdotool click 1
}

# dialog_key WINDOW KEY: the input focus and the pointer on the dialog, then the key.
dialog_key() {
    xdotool windowfocus "$1"
    dialog_point "$1" 60 30
    xdotool key "$2"
}

# start_saver [NAME=VALUE...]: velmora up to its running saver (the dialog, "起動", the first
# frames); leaves the saver's window id in SAVER_WINDOW and the process id in VELMORA_PID.
start_saver() {
    start_velmora "$@"
    local dialog
    dialog=$(wait_window Velmora 20)
    run_saver "$dialog"
}

# choose_user_control DIALOG: clicks the radio button "ユーザー操作" (the whale flown by the user).
choose_user_control() {
    dialog_point "$1" 94 78
    xdotool click 1
}

# run_saver DIALOG: "起動" in the open dialog, then as start_saver.
run_saver() {
    click_start "$1"
    wait_saver
}

# wait_saver: after "起動", waits for the saver's window and its first frames; leaves the
# window id in SAVER_WINDOW.
wait_saver() {
    SAVER_WINDOW=$(wait_window "Velmora Screen Saver" 30)
    wait_picture
    sleep 0.5  # SDL reports focus changes a moment late; let the first one pass
}

# wait_picture: waits up to 30 s for the saver's first frame, or fails.
wait_picture() {
    local _
    for _ in $(seq 300); do
        shows_picture && return 0
        sleep 0.1
    done
    fail "the saver shows no frame"
}

# hold_keys KEY...: presses the keys together and holds them for half a second, as a hand does,
# so that the saver's per-frame key poll sees them down.
hold_keys() {
    xdotool keydown "$@"
    sleep 0.5
    xdotool keyup "$@"
}

# shows_picture: true once a frame is on the 1280x1024 screen: the 4:3 picture, letterboxed,
# leaves a black bar across the top (y < 32) where the new window was white, and the top and
# the middle of the picture are not both black.
shows_picture() {
    [ "$("$X11_PROBE" pixel 640 10)" = 000000 ] &&
        [ "$("$X11_PROBE" pixel 640 40)$("$X11_PROBE" pixel 640 512)" != 000000000000 ]
}

cursor_state() { "${X11_PROBE:?}" cursor; }

# expect_exit_without_saver PID SECONDS WHAT: the process must end with code 0 within that
# time, and no saver window may appear meanwhile.
expect_exit_without_saver() {
    local _
    for _ in $(seq $(($2 * 10))); do
        [ -z "$(xdotool search --name '^Velmora Screen Saver$' 2>/dev/null || true)" ] ||
            fail "$3: a saver window appeared"
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    expect_exit_zero "$1" 1 "$3"
}

# start_hack [ARG...]: runs velmora-hack (VELMORA_HACK) in the scratch directory with those
# arguments; its process id is left in HACK_PID and its standard error in HACK_LOG.
start_hack() {
    HACK_LOG="$E2E_DIR/velmora.${#E2E_PIDS[@]}.log"
    (cd "$E2E_DIR" && exec "${VELMORA_HACK:?}" "$@" 2>"$HACK_LOG") &
    HACK_PID=$!
    E2E_PIDS+=("$HACK_PID")
}

# make_window X Y W H: maps a magenta window of the test's own there; leaves its id in
# TEST_WINDOW and the process that holds it in TEST_WINDOW_PID (killing it destroys the window).
make_window() {
    local idFile="$E2E_DIR/window.${#E2E_PIDS[@]}" _
    "${X11_PROBE:?}" window "$@" >"$idFile" &
    TEST_WINDOW_PID=$!
    E2E_PIDS+=("$TEST_WINDOW_PID")
    for _ in $(seq 50); do
        [ -s "$idFile" ] && break
        sleep 0.1
    done
    TEST_WINDOW=$(cat "$idFile")
    [ -n "$TEST_WINDOW" ] || fail "the test's window did not appear"
}

# colour_count X Y W H: how many different colours the screen shows in that rectangle.
colour_count() { "${X11_PROBE:?}" colours "$@"; }
# pixel_count X Y W H RRGGBB: how many pixels of that rectangle have that colour.
pixel_count() { "${X11_PROBE:?}" count "$@"; }

# shows_scene X Y W H: true when the rectangle shows a rendered scene (many colours, where a
# plain window, a bar or the root's weave show one or two).
shows_scene() { [ "$(colour_count "$@")" -gt 16 ]; }

# wait_until SECONDS WHAT COMMAND...: polls COMMAND every 0.1 s until it succeeds, or fails.
wait_until() {
    local seconds=$1 what=$2 _
    shift 2
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what: not within $seconds s"
}

# expect_trace_complete FILE STOP: the trace of a run that started, stopped for STOP and tore
# everything down: the whole start-up, the stop, the clean-up, and "Ended" last.
expect_trace_complete() {
    [ -s "$1" ] || fail "no trace in $1"
    head -n1 "$1" | grep -qx 'InitiateD3D\.\.\.' || fail "the trace does not begin the start-up"
    grep -qx 'Initiate3DFont\.\.\.' "$1" || fail "the trace lacks the start-up's last step"
    grep -qx "Stop: $2" "$1" || fail "the trace lacks \"Stop: $2\": $(grep '^Stop' "$1")"
    grep -qx 'Cleanup\.\.\.' "$1" || fail "the trace lacks the clean-up"
    [ "$(tail -n1 "$1")" = Ended ] || fail "the trace does not end with \"Ended\""
    ! grep -q Failed "$1" || fail "the trace reports a failure"
}
