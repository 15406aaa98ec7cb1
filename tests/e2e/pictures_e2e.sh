#!/bin/sh
# Pictures in a real window: a PNG over the numbers after a pick, the
# answer's JPEG at «ОТВЕТ», the numbers back after «КОМАНДА 1», and a JPEG
# scaled with the board in full screen.
#   pictures_e2e.sh /path/to/kvizor
# KVIZOR_E2E_SHOT=file.png keeps the full-screen screenshot to look at.
set -u
KVIZOR=$1
. "$(dirname "$0")/lib.sh"

E2E_SCREENS="-screen 0 1280x800x24"
start_xvfb
start_openbox 0
export SDL_AUDIODRIVER=dummy
write_round "$E2E_TMP" 7
mkdir "$E2E_TMP/7"
convert -size 640x480 xc:'#E02020' -fill '#FFFF00' -draw 'circle 320,240 320,140' "$E2E_TMP/7/3.png"
convert -size 300x400 xc:'#2040E0' -quality 95 "$E2E_TMP/7/3o.JPG"
convert -size 1600x900 gradient:'#10A040-#F0F0F0' -quality 90 "$E2E_TMP/7/5.jpg"
start_kvizor "$KVIZOR" "$E2E_TMP"

# Number of pixels in shot $1 within W H X Y within 12 of colour R G B
# ($6 $7 $8, decimal): a JPEG's colour, give or take its compression.
count_near() {
    convert "$E2E_TMP/$1.png" -crop "$2x$3+$4+$5" +repage -depth 8 txt:- |
        sed -n 's/^[^(]*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' |
        awk -v r="$6" -v g="$7" -v b="$8" 'function d(x, y) { return x > y ? x - y : y - x }
            { if (d($1, r) < 12 && d($2, g) < 12 && d($3, b) < 12) n++ } END { print n + 0 }'
}

click_at 760 48
xdotool type --delay 50 "7"
sleep 0.5
click_at 380 68
sleep 0.5
shot picked
alive
# The 4:3 picture fitted into the 609 x 407 numbers' area: 543 x 407.
red=$(count_colour picked '#E02020' 609 407 0 0)
[ "$red" -gt 150000 ] || fail "the question's picture is not over the numbers ($red red pixels)"
[ "$(count_colour picked '#FFFF00' 609 407 0 0)" -gt 20000 ] || fail "the picture's circle is missing"
[ "$(pixel picked 8 8)" != "#FFC0FF" ] || fail "number 1 shows through the picture"
[ "$(count_colour picked '#000080' 601 161 24 424)" -gt 50 ] || fail "the question text is not shown"
[ "$(count_colour picked '#FF0000' 89 97 680 480)" -gt 20 ] || fail "the countdown does not show ' 1'"
echo "ok: a pick shows the question's picture over the numbers"

sleep 4.6
click_at 724 596
sleep 0.5
shot revealed
alive
blue=$(count_near revealed 609 407 0 0 32 64 224)
[ "$blue" -gt 50000 ] || fail "ОТВЕТ did not show the answer's picture ($blue blue pixels)"
[ "$(count_colour revealed '#E02020' 609 407 0 0)" -eq 0 ] || fail "the question's picture stayed at ОТВЕТ"
[ "$(count_colour revealed '#008000' 785 70 24 664)" -gt 50 ] || fail "ОТВЕТ did not reveal the answer text"
echo "ok: ОТВЕТ shows the answer's picture"

click_at 716 164
sleep 0.4
shot scored
alive
[ "$(pixel scored 8 8)" = "#FFC0FF" ] || fail "number 1 is not back after КОМАНДА 1: $(pixel scored 8 8)"
[ "$(pixel scored 600 400)" = "#8080FF" ] || fail "number 12 is not back: $(pixel scored 600 400)"
[ "$(pixel scored 312 8)" != "#C0FFC0" ] || fail "number 3 came back: it was played"
[ "$(count_near scored 609 407 0 0 32 64 224)" -eq 0 ] || fail "the answer's picture stayed after КОМАНДА 1"
echo "ok: КОМАНДА 1 brings the numbers back"

# Full screen: the design at 800/734, number 5 picked by a click on its
# scaled place, its JPEG over the scaled numbers' area (663 x 443 at 193,0).
xdotool key F11
sleep 1
[ "$(window_size "$KVIZOR_WIN")" = "1280x800" ] || fail "F11: the window is $(window_size "$KVIZOR_WIN")"
click_at 253 208
sleep 0.6
shot full
alive
[ "$(pixel full 203 10)" != "#FFC0FF" ] || fail "full screen: number 1 shows through the picture"
convert "$E2E_TMP/full.png" -crop 663x373+193+35 +repage -format '%[fx:mean.g>mean.r+0.1]' info: | grep -q 1 ||
    fail "full screen: the gradient picture is not over the numbers"
[ "$(pixel full 20 400)" = "#000000" ] || fail "full screen: the margin is not black"
[ "$(pixel full 1010 30)" != "#000000" ] || fail "full screen: the board's right side is missing"
echo "ok: full screen scales the picture with the board"
if [ -n "${KVIZOR_E2E_SHOT:-}" ]; then
    import -window root "$KVIZOR_E2E_SHOT"
fi

# B blanks the picture with the rest.
xdotool key b
sleep 0.4
shot blanked
[ "$(count_colour blanked '#000000' 1280 800 0 0)" -gt 1000000 ] || fail "B did not blank the picture"
echo "ok: B blanks the picture too"
exit 0
