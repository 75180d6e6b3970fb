#!/usr/bin/env bash
# 環境音 through SDL's disk audio driver, which writes what a sound card would play into a file:
# ticked, the capture grows with sound while the saver runs and stops growing within 100 ms of
# the saver's end (its window gone); unticked, no audio device is opened; ticked with a device
# that cannot open, the start-up fails and the error log says which step failed.
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

# open_saver TICK_MUSIC [NAME=VALUE...]: the dialog, 環境音 clicked when TICK_MUSIC is 1, "起動".
# The box's check state is not read back: the capture (or its absence) shows it.
open_saver() {
    local tick=$1
    shift
    start_velmora "$@"
    local dialog
    dialog=$(wait_window Velmora 20)
    if [ "$tick" = 1 ]; then
        dialog_point "$dialog" 133 100  # the 環境音 box at 128,95 37x10
        xdotool click 1
    fi
    click_start "$dialog"
}

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

capture="$E2E_DIR/capture.raw"
open_saver 1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture"
wait_saver
before=$(size_of "$capture")
sleep 1
after=$(size_of "$capture")
# 8000 stereo 16-bit frames a second are 32000 bytes; allow a loaded machine half of that.
[ $((after - before)) -ge 16000 ] || fail "the capture grew by $((after - before)) bytes in 1 s"
[ -n "$(head -c "$after" "$capture" | tr -d '\0' | head -c 1)" ] || fail "the capture is silence"
pass "the capture grows while the saver runs ($((after - before)) bytes in 1 s)"

# The saver ends when its window goes; the capture must stop growing within 100 ms of that.
"$X11_PROBE" unmapped "$SAVER_WINDOW" >"$E2E_DIR/gone" &
probe=$!
E2E_PIDS+=("$probe")
sleep 0.3
xdotool click 1
last_size=$(size_of "$capture")
last_growth=$(now_ms)
started=$last_growth
while kill -0 "$VELMORA_PID" 2>/dev/null; do
    size=$(size_of "$capture")
    if [ "$size" != "$last_size" ]; then
        last_size=$size
        last_growth=$(now_ms)
    fi
    [ $(($(now_ms) - started)) -lt 20000 ] || fail "the saver still runs 20 s after the click"
    sleep 0.002
done
expect_exit_zero "$VELMORA_PID" 5 "click with 環境音"
wait "$probe" || true
gone=$(cat "$E2E_DIR/gone")
[ -n "$gone" ] || fail "the saver's window was never unmapped"
[ "$(size_of "$capture")" = "$last_size" ] || last_growth=$(now_ms)
[ $((last_growth - gone)) -le 100 ] ||
    fail "the capture still grew $((last_growth - gone)) ms after the saver's window went"
pass "the capture stops growing $((last_growth - gone)) ms after the saver's window went"

rm -f "$capture"
open_saver 0 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture"
wait_saver
xdotool click 1
expect_exit_zero "$VELMORA_PID" 20 "click without 環境音"
[ -e "$capture" ] && fail "an audio device was opened with 環境音 unticked"
pass "with 環境音 unticked no audio device is opened"

open_saver 1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_DIR/missing/capture.raw"
expect_exit_zero "$VELMORA_PID" 30 "start-up without an audio device"
log="$E2E_DIR/VelmoraErrLog.txt"
[ -f "$log" ] || fail "no VelmoraErrLog.txt after the failed start-up"
tail=$(tail -n 6 "$log")
expected_head=$(printf '%s\n' InitiateBGM... $'\t\tCoCreateInstanceL...' \
    $'\t\tCoCreateInstanceP...' $'\t\tInitAudio...')$'\n\t\tFailed SDL_OpenAudioDevice: disk: '
[ "${tail#"$expected_head"}" != "$tail" ] || fail "the error log ends: $(tail -n 6 "$log" | cat -A)"
[ "$(tail -n 1 "$log")" = Failed ] || fail "the error log does not end with Failed"
pass "without an audio device the error log names the failed step: $(tail -n 2 "$log" | head -n 1)"
