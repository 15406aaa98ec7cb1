#!/bin/sh
# The host's keys under a Russian keyboard layout, pressed as real X keys:
# they act by the key's place (B, ".", Ctrl+Z), a held key acts once, and a
# clicker's Space and arrows never pick, score or reveal.
#   keys_e2e.sh /path/to/kvizor
set -u
KVIZOR=$1
. "$(dirname "$0")/lib.sh"

need setxkbmap
start_board "$KVIZOR" load
setxkbmap -layout ru || fail "setxkbmap cannot set the Russian layout"

# The score of team 1 (Label2) as a fingerprint.
score1() {
    shot "$1"
    crop_id "$1" 113 73 664 192
}
blanked() {
    shot "$1"
    [ "$(pixel "$1" 400 300)" = "#000000" ] && [ "$(pixel "$1" 8 8)" = "#000000" ]
}
board_back() {
    shot "$1"
    [ "$(pixel "$1" 8 8)" = "#FFC0FF" ]
}

zero=$(score1 zero)
click_at 380 68 # number 3
sleep 0.3
click_at 716 164 # КОМАНДА 1
sleep 0.3
one=$(score1 one)
[ "$one" != "$zero" ] || fail "КОМАНДА 1 gave no point"

# A clicker's Space, arrows and Enter after the mouse click.
xdotool key --delay 80 space Right space Left Down Return space
sleep 0.3
[ "$(score1 after-space)" = "$one" ] || fail "Space or an arrow changed the score"
[ "$(pixel after-space 464 8)" = "#C0FFFF" ] || fail "Space or an arrow picked number 4"
[ "$(pixel after-space 8 8)" = "#FFC0FF" ] || fail "Space or an arrow picked number 1"
echo "ok: Space, arrows and Enter after a click change nothing"

xdotool key ctrl+Cyrillic_ya
sleep 0.3
[ "$(score1 undone)" = "$zero" ] || fail "Ctrl+Z (я) under the Russian layout took back no point"
echo "ok: Ctrl+Z acts under the Russian layout"

xdotool key Cyrillic_i
eventually 2 blanked blank-i || fail "B (и) did not blank the room"
xdotool key Cyrillic_yu
eventually 2 board_back back-yu || fail ". (ю) did not bring the board back"
echo "ok: B and . blank and restore under the Russian layout"

# Held for over a second: the X server repeats the key; it acts once.
xdotool keydown Cyrillic_i
sleep 1.5
xdotool keyup Cyrillic_i
sleep 0.3
blanked held || fail "a held B did not leave the room blanked"
xdotool keydown Cyrillic_i
sleep 1.5
xdotool keyup Cyrillic_i
sleep 0.3
board_back held-again || fail "a held B flickered: the room stays black"
echo "ok: a held B acts once"

# In the round box the B key types its Cyrillic letter.
click_at 760 48
xdotool key Cyrillic_i
sleep 0.3
board_back typed || fail "B in the round box blanked the room"
alive
echo "ok: B types in the round box"
exit 0
