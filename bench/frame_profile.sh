#!/usr/bin/env bash
# Where a frame's main-thread CPU time goes, headless: our code, the C and C++ runtime, the GL
# driver, the kernel. Samples `velmora-tool render` with perf at 1 frame and at N frames with
# the default settings at 1024x768 and 640x480; the difference, divided by N - 1, is one frame
# without the start-up. The driver's rasteriser threads are left out (they are not the main
# thread). Also prints the tool's own start-up and frame summary lines, best of three runs.
#   bench/frame_profile.sh [BUILD_DIR] [N]
set -euo pipefail
build=${1:-build}
frames=${2:-400}
tool="$build/velmora-tool"
rate=4000  # samples per second of CPU time
command -v perf >/dev/null || { echo "frame_profile: perf is not installed" >&2; exit 77; }
[ -x "$tool" ] || { echo "frame_profile: no $tool" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Main-thread samples per class: "ours runtime driver kernel".
samples() {
    perf record -q -e cpu-clock -F "$rate" -o "$work/perf.data" -- \
        "$tool" render --frames "$1" --set resolution="$2" >/dev/null 2>&1
    perf report -i "$work/perf.data" --stdio --sort comm,dso \
        -F sample,comm,dso -g none 2>/dev/null |
        awk '$2 == "velmora-tool" {
                 n = $1; dso = $3
                 if (dso == "velmora-tool") ours += n
                 else if (dso ~ /^lib(c|m|stdc\+\+|gcc_s)[.-]/) runtime += n
                 else if (dso ~ /kernel/) kernel += n
                 else driver += n
             }
             END { printf "%d %d %d %d\n", ours, runtime, driver, kernel }'
}

for resolution in 3 1; do
    read -r o1 r1 d1 k1 < <(samples 1 "$resolution")
    read -r on rn dn kn < <(samples "$frames" "$resolution")
    awk -v f="$((frames - 1))" -v rate="$rate" -v res="$resolution" \
        -v o="$((on - o1))" -v r="$((rn - r1))" -v d="$((dn - d1))" -v k="$((kn - k1))" '
        function ms(n) { return n * 1000.0 / rate / f }
        BEGIN {
            size = res == 3 ? "1024x768" : "640x480"
            printf "%s main thread per frame: %.3f ms = ours %.3f + C/C++ runtime %.3f + " \
                   "driver %.3f + kernel %.3f\n", size, ms(o + r + d + k), ms(o), ms(r), ms(d), ms(k)
        }'
    best=""
    for run in 1 2 3; do
        line=$("$tool" render --frames 200 --set resolution="$resolution" | tail -1)
        startup=$(grep -o 'startup_ms=[0-9.]*' <<<"$line" | cut -d= -f2)
        if [ -z "$best" ] || awk -v a="$startup" -v b="$bestStartup" 'BEGIN { exit !(a < b) }'; then
            best=$line
            bestStartup=$startup
        fi
    done
    echo "$best"
done
