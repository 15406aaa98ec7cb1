#!/bin/sh
# A game killed with SIGKILL in the middle comes back: the next start offers
# it, Ctrl+R brings it back, and the board looks exactly as before the kill.
#   resume_e2e.sh /path/to/kvizor
set -u
KVIZOR=$1
. "$(dirname "$0")/lib.sh"

start_board "$KVIZOR" load
click_at 380 68 # number 3
sleep 4.6
click_at 724 596 # ОТВЕТ
sleep 0.3
click_at 716 164 # КОМАНДА 1
sleep 0.3
click_at 532 68 # number 4
sleep 4.6       # STOP
shot before
[ "$(count_reddish before 73 25 688 584)" -gt 100 ] || fail "the game did not reach STOP before the kill"
[ -f "$XDG_STATE_HOME/kvizor/game.json" ] || fail "no journal in $XDG_STATE_HOME/kvizor"
[ "$(stat -c %a "$XDG_STATE_HOME/kvizor/game.json")" = 600 ] || fail "the journal is readable by others"
kill -9 "$KVIZOR_PID"
sleep 0.3

start_kvizor "$KVIZOR" "$E2E_TMP"
shot offered
# The offer, dark blue, under the round name.
[ "$(count_colour offered '#000080' 169 66 648 76)" -gt 20 ] || fail "no offer of the interrupted game"
[ "$(pixel offered 312 8)" = "#C0FFC0" ] || fail "the board is not at its start before Ctrl+R"
xdotool key ctrl+r
sleep 0.5
shot resumed
[ "$(crop_id resumed 819 734 0 0)" = "$(crop_id before 819 734 0 0)" ] ||
    fail "the resumed board differs from the board before the kill (see resumed.png, before.png)"
alive
echo "ok: killed at STOP, started again, Ctrl+R: the board is as it was"
exit 0
