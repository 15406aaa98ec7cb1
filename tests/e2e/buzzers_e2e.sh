#!/bin/sh
# Buzzers bound to keys, pressed as real X keys under a Russian layout: the
# first team's press stops the countdown (no beat after it), its buzz sounds
# in its own pitch in place of the stop sound, and its button and score are
# framed on the board; the other team's press after it changes nothing.
#   buzzers_e2e.sh /path/to/kvizor /path/to/wavprobe
set -u
KVIZOR=$1
WAVPROBE=$2
. "$(dirname "$0")/lib.sh"

need setxkbmap
start_xvfb
start_pulse
export SDL_AUDIODRIVER=pulseaudio
export XDG_CONFIG_HOME="$E2E_TMP/config"
mkdir -p "$XDG_CONFIG_HOME/kvizor"
printf '1 = key:Q\n2 = key:P\n' >"$XDG_CONFIG_HOME/kvizor/buzzers.conf"
write_round "$E2E_TMP" 7
record_sink "$E2E_TMP/out.wav"

start_kvizor "$KVIZOR" "$E2E_TMP"
click_at 760 48
xdotool type --delay 50 "7"
sleep 1.5
setxkbmap -layout ru || fail "setxkbmap cannot set the Russian layout"
alive

marked() {
    shot "$1"
    [ "$(count_colour "$1" '#FFD400' 900 800 0 0)" -gt 200 ]
}
# The frame around team $2's button and score in shot $1.
framed() {
    shot "$1"
    if [ "$2" = 1 ]; then
        [ "$(count_colour "$1" '#FFD400' 240 160 600 120)" -gt 200 ]
    else
        [ "$(count_colour "$1" '#FFD400' 240 160 600 290)" -gt 200 ]
    fi
}

click_at 380 68 # number 3: beats at 0 s and 1 s
sleep 1.5
xdotool key Cyrillic_shorti # Q's place: team 2's buzzer is P (з)
eventually 2 marked buzzed || fail "team 1's buzz left no mark on the board (see buzzed.png)"
xdotool key Cyrillic_ze
sleep 5
alive
kill -INT "$PAREC_PID" 2>/dev/null
sleep 0.5

grep -q "звук недоступен" "$E2E_TMP/kvizor.log" && fail "the program found no sound: $(cat "$E2E_TMP/kvizor.log")"
"$WAVPROBE" "$E2E_TMP/out.wav" --beats 3 >"$E2E_TMP/probe.txt" || fail "the recording cannot be read"
cat "$E2E_TMP/probe.txt"
value() { awk -v k="$1" '$1 == k { print $2 }' "$E2E_TMP/probe.txt"; }
[ "$(value onsets)" = 3 ] || fail "not two beats and a buzz, nothing after: $(value onsets) sounds"
gap=$(value gap_1_ms)
buzz_after=$(awk -v a="$(value onset_2_ms)" -v b="$(value onset_3_ms)" 'BEGIN { print b - a }')
ends_after=$(awk -v a="$(value onset_3_ms)" -v b="$(value last_sound_ends_ms)" 'BEGIN { print b - a }')
awk -v g="$gap" 'BEGIN { exit !(g > 980 && g < 1020) }' || fail "the beats were not a second apart: $gap ms"
awk -v d="$buzz_after" 'BEGIN { exit !(d > 300 && d < 900) }' || fail "the buzz came $buzz_after ms after the second beat"
awk -v d="$ends_after" 'BEGIN { exit !(d < 500) }' || fail "sound went on $ends_after ms after the buzz began"
hz=$(value stop_strongest_hz)
awk -v h="$hz" 'BEGIN { exit !(h > 400 && h < 480) }' || fail "the buzz is not team 1's pitch: $hz Hz"
framed after-other 1 || fail "team 2's press after team 1 took the mark away (see after-other.png)"
framed after-other 2 && fail "team 2's late press framed team 2 (see after-other.png)"
echo "ok: the first buzz stops the countdown and sounds in its team's pitch; the later press changes nothing"

# Team 1 was wrong: Ctrl+N («т» at N's place) lets team 2 buzz; PageDown at
# once after that buzz does not reveal the answer.
xdotool key ctrl+Cyrillic_te
sleep 0.3
xdotool key Cyrillic_ze Next
eventually 2 framed team2 2 || fail "after Ctrl+N team 2's buzz left no frame (see team2.png)"
framed team2 1 && fail "team 1 stays framed after team 2 buzzed (see team2.png)"
sleep 0.8
shot guarded
xdotool key Next
sleep 0.5
shot revealed
[ "$(crop_id guarded 600 200 40 560)" != "$(crop_id revealed 600 200 40 560)" ] ||
    fail "PageDown a while after the buzz did not reveal the answer"
alive
echo "ok: Ctrl+N under the Russian layout gives team 2 its turn; PageDown waits after a buzz"
exit 0
