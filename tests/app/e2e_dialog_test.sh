#!/usr/bin/env bash
# The settings dialog's ways out: "ｷｬﾝｾﾙ", Escape and the close box end the program with code 0
# and no saver window; Return presses the default button, "起動".
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb

start_velmora
dialog=$(wait_window Velmora 20)
click_cancel "$dialog"
expect_exit_without_saver "$VELMORA_PID" 10 "ｷｬﾝｾﾙ"
pass "ｷｬﾝｾﾙ ends with 0 and no saver window"

start_velmora
dialog=$(wait_window Velmora 20)
dialog_key "$dialog" Escape
expect_exit_without_saver "$VELMORA_PID" 10 "Escape"
pass "Escape ends with 0 and no saver window"

start_velmora
dialog=$(wait_window Velmora 20)
"$X11_PROBE" close "$dialog"
expect_exit_without_saver "$VELMORA_PID" 10 "close box"
pass "the close box ends with 0 and no saver window"

start_velmora
dialog=$(wait_window Velmora 20)
dialog_key "$dialog" Return
saver=$(wait_window "Velmora Screen Saver" 30)
[ -z "$(find_window Velmora)" ] || fail "the dialog is still shown beside the saver"
sleep 1
xdotool click 1
expect_exit_zero "$VELMORA_PID" 20 "click after Return"
pass "Return starts the saver ($saver)"
