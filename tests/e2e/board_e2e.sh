#!/bin/sh
# The board in a real window, driven by real X events: the layout's colours
# where they belong, one whole question, a failed load that changes nothing.
#   board_e2e.sh /path/to/kvizor
set -u
KVIZOR=$1
. "$(dirname "$0")/lib.sh"

start_board "$KVIZOR"

# Faces of the twelve numbers, 8 px inside their top-left corners.
shot start
faces="FFC0FF C0C0FF C0FFC0 C0FFFF FFFFC0 FFC080 FF8080 C0C0C0 80FF80 FFFF80 FF80FF 8080FF"
i=0
for face in $faces; do
    x=$(( (i % 4) * 152 + 8 ))
    y=$(( (i / 4) * 136 + 8 ))
    got=$(pixel start $x $y)
    [ "$got" = "#$face" ] || fail "number $((i + 1)) at $x,$y shows $got, not #$face"
    i=$((i + 1))
done
[ "$(count_reddish start 73 25 688 584)" -eq 0 ] || fail "ОТВЕТ is shown before any STOP"
[ "$(count_colour start '#FF0000' 89 97 680 480)" -eq 0 ] || fail "the countdown shows something at start"
echo "ok: start layout"

# From the round-name box, seven Tabs bring the focus to number 5: its face
# keeps the design colour, the focus shown by a dotted frame.
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab
sleep 0.3
shot focused
[ "$(pixel focused 8 144)" = "#FFFFC0" ] || fail "the focused number 5 is tinted: $(pixel focused 8 144)"
[ "$(count_colour focused '#FFFFC0' 150 133 1 137)" -gt 15000 ] || fail "the focused number 5's face is not #FFFFC0"
echo "ok: the focus leaves the number's face as designed"

# Type the round name, pick number 3.
click_at 760 48
xdotool type --delay 50 "7"
sleep 0.5
click_at 380 68
sleep 0.4
shot picked
alive
[ "$(pixel picked 312 8)" != "#C0FFC0" ] || fail "number 3 is still on the board"
[ "$(pixel picked 8 8)" = "#FFC0FF" ] || fail "number 1 left its place"
[ "$(count_colour picked '#FF0000' 89 97 680 480)" -gt 20 ] || fail "the countdown does not show ' 1'"
[ "$(count_colour picked '#000080' 601 161 24 424)" -gt 50 ] || fail "the question is not shown"
[ "$(count_reddish picked 73 25 688 584)" -eq 0 ] || fail "ОТВЕТ appeared before STOP"
echo "ok: a pick shows the question, takes the number off and counts"

sleep 4.6
shot stopped
alive
[ "$(count_reddish stopped 73 25 688 584)" -gt 100 ] || fail "ОТВЕТ did not appear at STOP"
# Its face is the design's flat #FF8080, not a style's gradient.
[ "$(count_colour stopped '#FF8080' 73 25 688 584)" -gt 1000 ] || fail "ОТВЕТ's face is not flat #FF8080"
one=$(count_colour picked '#FF0000' 89 97 680 480)
stop=$(count_colour stopped '#FF0000' 89 97 680 480)
[ "$stop" -gt $((one * 2)) ] || fail "the countdown does not show STOP ($one red pixels for ' 1', $stop now)"
echo "ok: STOP and ОТВЕТ four seconds later"

click_at 724 596
sleep 0.3
shot revealed
[ "$(count_colour revealed '#008000' 785 70 24 664)" -gt 50 ] || fail "ОТВЕТ did not reveal the answer"
echo "ok: the answer is revealed"

convert "$E2E_TMP/revealed.png" -crop 113x73+664+192 +repage "$E2E_TMP/score-before.png"
click_at 716 164
sleep 0.3
shot scored
convert "$E2E_TMP/scored.png" -crop 113x73+664+192 +repage "$E2E_TMP/score-after.png"
diff=$(compare -metric AE "$E2E_TMP/score-before.png" "$E2E_TMP/score-after.png" null: 2>&1 || true)
[ "${diff%%.*}" -gt 100 ] || fail "КОМАНДА 1 did not change team 1's score"
[ "$(count_colour scored '#008000' 785 70 24 664)" -eq 0 ] || fail "the answer was not cleared"
[ "$(count_colour scored '#000080' 601 161 24 424)" -eq 0 ] || fail "the question was not cleared"
echo "ok: КОМАНДА 1 scores and clears"

# A round that does not exist: the program stays, the board stays, a
# message appears under the round name.
click_at 760 48
xdotool type --delay 50 "x"
sleep 0.5
shot missing
alive
[ "$(count_colour missing '#C00000' 169 66 648 76)" -gt 20 ] || fail "no message for a missing round"
[ "$(pixel missing 312 8)" != "#C0FFC0" ] || fail "a failed load brought number 3 back"
echo "ok: a missing round leaves the board and says so"

# Deleting back to the good name loads it again: all numbers return.
xdotool key BackSpace
sleep 0.5
shot reloaded
alive
[ "$(pixel reloaded 312 8)" = "#C0FFC0" ] || fail "reloading the round did not bring number 3 back"
[ "$(count_colour reloaded '#C00000' 169 66 648 76)" -eq 0 ] || fail "the message stayed after a good load"
echo "ok: a good load clears the message"

# The window destroyed from outside ends the program, as a close does.
xdotool windowclose "$KVIZOR_WIN"
for _ in $(seq 10); do
    kill -0 "$KVIZOR_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$KVIZOR_PID" 2>/dev/null && fail "kvizor runs on after its window was destroyed"
echo "ok: a destroyed window ends the program"
exit 0
