#!/usr/bin/env bash
# 環境音 through SDL's disk audio driver, which writes what a sound card would play into a file:
# ticked, the capture grows with sound while the saver runs and grows by at most 100 ms of sound
# after the saver's end (its window gone); unticked, no audio device is opened; ticked with a device
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

# The saver ends when its window goes; the capture may then grow by no more than 100 ms of sound
# (3200 bytes). The probe reads the capture's size the moment it sees the window go, so a slow
# poll on a loaded machine cannot pass for late sound.
"$X11_PROBE" unmapped "$SAVER_WINDOW" "$capture" >"$E2E_DIR/gone" &
probe=$!
E2E_PIDS+=("$probe")
sleep 0.3
xdotool click 1
expect_exit_zero "$VELMORA_PID" 20 "click with 環境音"
wait "$probe" || true
read -r _ size_at_gone <"$E2E_DIR/gone" || true
[ -n "$size_at_gone" ] || fail "the saver's window was never unmapped"
late=$(($(size_of "$capture") - size_at_gone))
[ "$late" -le 3200 ] || fail "the capture grew $late bytes after the saver's window went"
pass "the capture grew $late bytes (at most 3200) after the saver's window went"

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
