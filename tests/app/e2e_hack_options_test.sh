#!/usr/bin/env bash
# A bad command line, a bad XSCREENSAVER_WINDOW or a window that does not exist: velmora-hack
# writes one line naming the fault and ends with code 2 without making a window. -help prints
# the usage and ends with 0; no display ends it with 1.
source "$(dirname "$0")/e2e_lib.sh"
unset XSCREENSAVER_WINDOW
start_xvfb

top_level_windows() { xdotool search --maxdepth 1 --name '' 2>/dev/null | sort; }
before=$(top_level_windows)

# expect_refused CODE WHAT [NAME=VALUE...] -- ARG...: one line on standard error, naming WHAT.
expect_refused() {
    local code=$1 what=$2 variables=() status=0
    shift 2
    while [ "$1" != -- ]; do
        variables+=("$1")
        shift
    done
    shift
    env "${variables[@]}" "$VELMORA_HACK" "$@" >"$E2E_DIR/out" 2>"$E2E_DIR/err" || status=$?
    [ "$status" -eq "$code" ] || fail "$*: exit code $status, not $code"
    [ "$(wc -l <"$E2E_DIR/err")" -eq 1 ] || fail "$*: not one line: $(cat "$E2E_DIR/err")"
    grep -q "^velmora-hack: .*$what" "$E2E_DIR/err" || fail "$*: $(cat "$E2E_DIR/err")"
    [ ! -s "$E2E_DIR/out" ] || fail "$*: wrote to standard output"
    [ "$(top_level_windows)" = "$before" ] || fail "$*: a window appeared"
    pass "$* -> $code: $(cat "$E2E_DIR/err")"
}

expect_refused 2 '"0"' -- -window -birds 0
expect_refused 2 '"1000"' -- -window -birds 1000
expect_refused 2 '"4x"' -- -birds 4x
expect_refused 2 '"-flock"' -- -root -flock
expect_refused 2 '"extra"' -- -root extra
expect_refused 2 'needs a value' -- -window-id
expect_refused 2 '"320x200"' -- -resolution 320x200
expect_refused 2 '"zz"' -- --window-id zz
expect_refused 2 'no window 0x3fffff0' -- -window-id 0x3fffff0
expect_refused 2 'no window 0x3fffff1' XSCREENSAVER_WINDOW=0x3fffff1 -- -root
expect_refused 2 'XSCREENSAVER_WINDOW' XSCREENSAVER_WINDOW=window -- -root
expect_refused 1 'display' DISPLAY=:9999 -- -root

"$VELMORA_HACK" --help >"$E2E_DIR/out" || fail "--help: exit code $?"
grep -q -- '-window-id ID' "$E2E_DIR/out" || fail "--help prints no usage"
pass "--help prints the usage and ends with 0"
