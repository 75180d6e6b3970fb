# Shared steps of the end-to-end tests, sourced by tests/app/e2e_*.sh and xvfb_run.sh.
# Each test starts an X server of its own (Xvfb, 1280x1024, on a display number the server
# picks itself), runs velmora in a scratch directory and drives it with xdotool.
# Needs: Xvfb, xdotool; VELMORA and X11_PROBE naming the programs (set by CTest).
set -euo pipefail

E2E_DIR=$(mktemp -d)
E2E_XVFB_PID=""
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

pass() { echo "ok: $*"; }

start_xvfb() {
    local displayFile="$E2E_DIR/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayFile" >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    local _
    for _ in $(seq 100); do
        [ -s "$displayFile" ] && break
        sleep 0.1
    done
    [ -s "$displayFile" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$displayFile")"
}

# start_velmora [NAME=VALUE...]: runs velmora in the scratch directory with those variables;
# its process id is left in VELMORA_PID.
start_velmora() {
    (cd "$E2E_DIR" && exec env "$@" "${VELMORA:?}") &
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

# expect_exit PID SECONDS WHAT: the process must end with code 0 within that time.
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
    xdotool mousemove --sync $((X + $2 * WIDTH / 190)) $((Y + $3 * HEIGHT / 235))
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

# dialog_key WINDOW KEY: the pointer on the dialog's caption-free top-left area, then the key.
dialog_key() {
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    dialog_point "$1" 60 30
    xdotool key "$2"
}

# start_saver: velmora up to its running saver window (dialog, "起動"); prints the window id.
start_saver() {
    start_velmora "$@"
    local dialog
    dialog=$(wait_window Velmora 20)
    click_start "$dialog"
    SAVER_WINDOW=$(wait_window "Velmora Screen Saver" 30)
    sleep 1  # the first frames
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
