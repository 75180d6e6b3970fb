#!/usr/bin/env bash
# Frame rate and peak memory on Mesa's llvmpipe, Velmora beside XScreenSaver's glschool in one
# X server, so that the ratio holds on a busy machine.
#
#   bench/software_frame_rate.sh [SECONDS] [BUILD]    20 seconds each, build/ unless told
#
# Starts Xvfb at 1024x768, runs `glschool -window -delay 0`, then `velmora` with the dialog's
# defaults (Return on the dialog), each for SECONDS; reads each one's frames per second from
# Mesa's GALLIUM_HUD=fps dump (GALLIUM_HUD_DUMP_DIR) and its peak resident set (VmHWM), and
# prints both medians and the ratio velmora / glschool. Installs xscreensaver-gl-extra if missing.
# Velmora's first run after a build links its programs and keeps them in its program cache
# ($XDG_CACHE_HOME/velmora/programs); later runs load them and compile no GLSL, as a user's saver
# does from its second start on, with about 8 MB less resident.
set -euo pipefail
seconds=${1:-20}
build=${2:-build}
cd "$(dirname "$0")/.."
velmora=$(realpath "$build/velmora")
glschool=/usr/libexec/xscreensaver/glschool

if [ ! -x "$glschool" ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        xscreensaver-gl-extra xvfb xdotool
fi

work=$(mktemp -d)
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for number in $(seq 300 399); do
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    sleep 1
    kill -0 "$xvfb" 2>/dev/null && break
    xvfb=""
done
[ -n "$xvfb" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"

# median FILE: the median of the numbers in FILE, one a line, the first two samples (start-up)
# left out.
median() {
    tail -n +3 "$1" | sort -g | awk '{v[NR] = $1} END {
        if (NR == 0) { print "nan"; exit }
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# run NAME COMMAND...: runs the command with the HUD dumping into $work/NAME for $seconds, then
# leaves its median in $work/NAME.fps and its peak resident kilobytes in $work/NAME.kb.
run() {
    local name=$1
    shift
    mkdir -p "$work/$name"
    (cd "$work" && exec env GALLIUM_HUD=fps GALLIUM_HUD_DUMP_DIR="$work/$name" "$@" \
        >"$work/$name.log" 2>&1) &
    local pid=$!
    if [ "$name" = velmora ]; then
        local dialog="" _
        for _ in $(seq 100); do
            dialog=$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | head -n1 || true)
            [ -n "$dialog" ] && break
            sleep 0.1
        done
        [ -n "$dialog" ] || { echo "no settings dialog" >&2; kill "$pid"; exit 1; }
        xdotool windowfocus "$dialog" key Return
    fi
    sleep "$seconds"
    awk '/VmHWM/ {print $2}' "/proc/$pid/status" >"$work/$name.kb" 2>/dev/null || echo 0 >"$work/$name.kb"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ ! -s "$work/$name/fps" ]; then
        echo "$name: no frame-rate samples" >&2
        cat "$work/$name.log" >&2
        exit 1
    fi
    median "$work/$name/fps" >"$work/$name.fps"
}

run glschool "$glschool" -window -delay 0
run velmora "$velmora"

g=$(cat "$work/glschool.fps")
v=$(cat "$work/velmora.fps")
printf 'glschool  %8.1f fps  peak %6d MB\n' "$g" $(($(cat "$work/glschool.kb") / 1024))
printf 'velmora   %8.1f fps  peak %6d MB\n' "$v" $(($(cat "$work/velmora.kb") / 1024))
awk -v v="$v" -v g="$g" 'BEGIN { printf "ratio     %8.2f\n", v / g }'
