#!/bin/sh
# An evening of two rounds survives a SIGKILL: the team names from
# команды.txt, the demo round and a copy of it loaded by name, points given
# with the team buttons; after the kill and a new start, kvizor-check
# --evening reads the same rows and totals from the journal while the
# program runs, and F9 puts the scoreboard on the board's window.
#   evening_e2e.sh /path/to/kvizor /path/to/kvizor-check
set -u
KVIZOR=$1
CHECK=$2
. "$(dirname "$0")/lib.sh"
EXAMPLES="$(cd "$(dirname "$0")/../../examples" && pwd)"

need iconv
start_xvfb
export SDL_AUDIODRIVER=dummy
WORK="$E2E_TMP/work"
mkdir -p "$WORK"
cp -R "$EXAMPLES/1.txt" "$EXAMPLES/1o.txt" "$EXAMPLES/1" "$WORK/"
cp "$EXAMPLES/1.txt" "$WORK/final.txt"
cp "$EXAMPLES/1o.txt" "$WORK/finalo.txt"
# As Notepad saves it on a Russian Windows.
printf 'Совы\r\nЁжики\r\n' | iconv -f UTF-8 -t CP1251 >"$WORK/команды.txt"

# The round box emptied, a round name typed, Enter.
load_round() {
    click_at 760 48
    xdotool key --delay 50 End BackSpace BackSpace BackSpace BackSpace BackSpace
    xdotool type --delay 50 "$1"
    xdotool key Return
    sleep 0.5
}
# Number $1 picked, then a point for team $2 (КОМАНДА 1 or КОМАНДА 2).
point_after() {
    n=$(($1 - 1))
    click_at $(((n % 4) * 152 + 76)) $(((n / 4) * 136 + 68))
    sleep 0.3
    if [ "$2" = 1 ]; then click_at 716 164; else click_at 724 324; fi
    sleep 0.3
}
evening() {
    XDG_STATE_HOME="$XDG_STATE_HOME" "$CHECK" --evening >"$E2E_TMP/evening.txt" 2>"$E2E_TMP/evening.err"
}
totals_are() {
    evening && grep -Eq "^Итого +$1 +$2\$" "$E2E_TMP/evening.txt"
}

start_kvizor "$KVIZOR" "$WORK"
load_round 1
point_after 3 1
point_after 4 2
point_after 5 1
load_round final
point_after 6 2
point_after 7 2
alive
eventually 5 totals_are 2 3 || fail "the journal does not hold the evening 2 : 3: $(cat "$E2E_TMP/evening.txt" "$E2E_TMP/evening.err")"
cp "$E2E_TMP/evening.txt" "$E2E_TMP/before-kill.txt"
kill -9 "$KVIZOR_PID"
sleep 0.3

start_kvizor "$KVIZOR" "$WORK"
evening || fail "kvizor-check --evening failed while the program runs: $(cat "$E2E_TMP/evening.err")"
cmp -s "$E2E_TMP/evening.txt" "$E2E_TMP/before-kill.txt" ||
    fail "the evening changed across the kill: $(cat "$E2E_TMP/before-kill.txt") / $(cat "$E2E_TMP/evening.txt")"
for row in '^Тур +Совы +Ёжики$' '^1 +2 +1$' '^final +0 +2$' '^Итого +2 +3$'; do
    grep -Eq "$row" "$E2E_TMP/evening.txt" || fail "no row /$row/ in: $(cat "$E2E_TMP/evening.txt")"
done
[ "$(grep -c . "$E2E_TMP/evening.txt")" = 5 ] || fail "not two rounds: $(cat "$E2E_TMP/evening.txt")"
echo "ok: killed and started again, kvizor-check --evening gives both rounds and 2 : 3 with the names"

# The scoreboard comes with its own code in the program; a build without it
# leaves this step out and says so.
if ! nm -C "$KVIZOR" 2>/dev/null | grep -qi scoreboard; then
    echo "no scoreboard in $KVIZOR: the F9 step is left out"
    exit 0
fi
faces_shown() {
    shown=0
    i=0
    for face in FFC0FF C0C0FF C0FFC0 C0FFFF FFFFC0 FFC080 FF8080 C0C0C0 80FF80 FFFF80 FF80FF 8080FF; do
        [ "$(pixel "$1" $(((i % 4) * 152 + 8)) $(((i / 4) * 136 + 8)))" = "#$face" ] && shown=$((shown + 1))
        i=$((i + 1))
    done
    echo "$shown"
}
shot board
[ "$(faces_shown board)" = 12 ] || fail "the board does not show its twelve numbers after the start"
xdotool key F9
sleep 0.5
shot scoreboard
alive
[ "$(faces_shown scoreboard)" = 0 ] || fail "F9: the numbers are still on the board (see scoreboard.png)"
lit=$(convert "$E2E_TMP/scoreboard.png" -fill white +opaque black -format '%[fx:int(mean*w*h)]' info:)
[ "$lit" -gt 2000 ] || fail "F9: the board's window is black ($lit pixels not black)"
xdotool key F9
sleep 0.5
shot back
[ "$(faces_shown back)" = 12 ] || fail "F9 again does not bring the board back"
echo "ok: F9 shows the scoreboard on the board's window and F9 brings the board back"
exit 0
