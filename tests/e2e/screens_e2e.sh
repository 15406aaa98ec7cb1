#!/bin/sh
# Where the windows go on the screens hosts have, under a window manager:
#  1. one X screen with two RandR monitors (a desktop extended onto a
#     projector): F12 at the first press puts the board full screen on the
#     projector and the host view on the laptop, also after F5 on the laptop;
#     the projector never shows an answer before ОТВЕТ;
#     pulling the projector's cable puts both windows on the laptop, the
#     answer held, and plugging it back returns them;
#  2. one screen (the room may see all of it): F12 takes the board out of full
#     screen, the host view opens beside it without covering it and holds the
#     answer until ОТВЕТ;
#  3. two monitors, none named as a laptop's panel: the room's screen made
#     primary at the break moves neither window, and the host view never
#     passes over the board's screen;
#  4. 768 px screens: the board opens wholly on the screen.
#   screens_e2e.sh /path/to/kvizor
set -u
KVIZOR=$1
. "$(dirname "$0")/lib.sh"

need xrandr
export SDL_AUDIODRIVER=dummy
write_round "$E2E_TMP" 7

# X Y W H of window $1.
geometry() {
    xdotool getwindowgeometry --shell "$1" | awk -F= '/^(X|Y|WIDTH|HEIGHT)=/ { printf "%s ", $2 }'
}
host_window() {
    HOST=""
    for _ in $(seq 30); do
        HOST=$(xdotool search --onlyvisible --name 'ведущий' 2>/dev/null | head -n 1)
        [ -n "$HOST" ] && return 0
        sleep 0.1
    done
    return 1
}
# The answer's green in a picture of window or root $1, within W H X Y.
green_in() {
    count_colour "$1" '#008000' "$2" "$3" "$4" "$5"
}
board_is() {
    [ "$(geometry "$KVIZOR_WIN")" = "$1 " ]
}
# X Y W H of window $1's frame, the window manager's edges included.
frame_of() {
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    xwininfo -id "$1" 2>/dev/null | awk -v e="${extents:-0,0,0,0}" '
        /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 }
        END { split(e, m, ","); printf "%d %d %d %d ", x - m[1], y - m[3], w + m[1] + m[2], h + m[3] + m[4] }'
}
# Whether window $1's frame lies wholly within X Y W H.
within() {
    set -- $(frame_of "$1") "$2" "$3" "$4" "$5"
    [ "$1" -ge "$5" ] && [ "$2" -ge "$6" ] && [ $(($1 + $3)) -le $(($5 + $7)) ] && [ $(($2 + $4)) -le $(($6 + $8)) ]
}
# Whether the board and the host view lie side by side within X Y W H.
side_by_side_within() {
    within "$KVIZOR_WIN" "$@" && within "$HOST" "$@" || return 1
    set -- $(frame_of "$KVIZOR_WIN") $(frame_of "$HOST")
    [ $(($1 + $3)) -le "$5" ] || [ $(($5 + $7)) -le "$1" ]
}

# --- 1. Two RandR monitors on one X screen --------------------------------
E2E_SCREENS="-screen 0 3200x1080x24 -noreset"
start_xvfb
xrandr --delmonitor screen >/dev/null 2>&1
xrandr --setmonitor PROJ 1920/508x1080/286+1280+0 none || fail "xrandr cannot set monitors"
xrandr --setmonitor LAPTOP 1280/338x800/212+0+0 screen
xrandr --output screen --primary
start_openbox 0
start_kvizor "$KVIZOR" "$E2E_TMP"
xdotool windowactivate --sync "$KVIZOR_WIN" 2>/dev/null
xdotool type --delay 50 "7"
sleep 0.3

xdotool key F12
host_window || fail "F12: no host view"
eventually 3 board_is "1280 0 1920 1080" || fail "F12: the board is at $(geometry "$KVIZOR_WIN"), not full screen on the projector"
set -- $(geometry "$HOST")
[ $(($1 + $3)) -le 1280 ] || fail "F12: the host view is at $*, not on the laptop"
echo "ok: two monitors, F12: the board full screen on the projector at the first press, the host view on the laptop"

# Number 3 on the scaled board: the design at 1080/734, centred.
click_at 900 80
sleep 0.5
import -window root "$E2E_TMP/root-picked.png"
# The answer's place on the projector: Label7 scaled, below the numbers
# (number 9 is green too).
[ "$(green_in root-picked 1150 100 1675 978)" -eq 0 ] || fail "the projector shows the answer before ОТВЕТ"
[ "$(green_in root-picked 1280 800 0 0)" -gt 30 ] || fail "the host view does not show the held answer"
echo "ok: the answer on the laptop only"

# F12 closes; the board, full screen on the laptop (F5), goes back to the
# projector at the next F12.
xdotool key F12
sleep 0.5
xdotool key Escape
sleep 0.8
xdotool windowmove "$KVIZOR_WIN" 100 50
sleep 0.5
xdotool key F5
eventually 3 board_is "0 0 1280 800" || fail "F5: the board is at $(geometry "$KVIZOR_WIN")"
xdotool key F12
host_window || fail "F5, F12: no host view"
eventually 3 board_is "1280 0 1920 1080" || fail "F5, F12: the board stayed at $(geometry "$KVIZOR_WIN")"
set -- $(geometry "$HOST")
[ $(($1 + $3)) -le 1280 ] || fail "F5, F12: the host view is at $*, on the projector"
sleep 1
board_is "1280 0 1920 1080" || fail "F5, F12: the board left full screen: $(geometry "$KVIZOR_WIN")"
echo "ok: F5 then F12: the board moves to the projector, the host view stays on the laptop"

# The projector's cable pulled with the board full screen on it and an
# answer held on the laptop: both windows on the laptop, side by side, and
# the laptop is now the room's screen, so the answer waits.
xrandr --delmonitor PROJ
eventually 5 side_by_side_within 0 0 1280 800 ||
    fail "unplugged: the board at $(frame_of "$KVIZOR_WIN")and the host view at $(frame_of "$HOST")are not side by side on the laptop"
sleep 0.5
import -window root "$E2E_TMP/unplugged.png"
set -- $(frame_of "$HOST")
[ "$(green_in unplugged "$3" "$4" "$1" "$2")" -eq 0 ] || fail "unplugged: the host view on the laptop, now the room's screen, shows the answer"
xrandr --setmonitor PROJ 1920/508x1080/286+1280+0 none
eventually 5 board_is "1280 0 1920 1080" || fail "plugged back: the board is at $(geometry "$KVIZOR_WIN")"
eventually 3 within "$HOST" 0 0 1280 800 || fail "plugged back: the host view is at $(frame_of "$HOST")"
alive
echo "ok: projector unplugged and plugged back mid-game: the windows follow, the answer held meanwhile"
kill "$KVIZOR_PID"

# --- 2. One screen --------------------------------------------------------
E2E_SCREENS="-screen 0 1280x800x24"
start_xvfb
start_openbox 0
start_kvizor "$KVIZOR" "$E2E_TMP"
xdotool windowactivate --sync "$KVIZOR_WIN" 2>/dev/null
xdotool type --delay 50 "7"
sleep 0.3
xdotool key F5
eventually 3 board_is "0 0 1280 800" || fail "one screen, F5: the board is at $(geometry "$KVIZOR_WIN")"
xdotool key F12
host_window || fail "one screen, F12: no host view"
eventually 3 board_is "$(geometry "$KVIZOR_WIN" | awk '$3 == 819 { print $1, $2, $3, $4 }')" ||
    fail "one screen, F12: the board is still full screen: $(geometry "$KVIZOR_WIN")"
set -- $(geometry "$KVIZOR_WIN")
board_right=$(($1 + $3))
set -- $(geometry "$HOST")
[ "$1" -ge "$board_right" ] || fail "one screen: the host view at $* covers the board (right edge $board_right)"
host_x=$1
host_w=$3
click_at 380 68
sleep 0.5
import -window root "$E2E_TMP/one-picked.png"
[ "$(green_in one-picked "$host_w" 600 "$host_x" 0)" -eq 0 ] || fail "one screen: the host view shows the answer before ОТВЕТ"
sleep 4.2
click_at 724 596
sleep 0.5
import -window root "$E2E_TMP/one-revealed.png"
[ "$(green_in one-revealed "$host_w" 600 "$host_x" 0)" -gt 30 ] || fail "one screen: ОТВЕТ did not reach the host view"
alive
echo "ok: one screen: F12 leaves full screen, the host view beside the board holds the answer until ОТВЕТ"
kill "$KVIZOR_PID"

# --- 3. The primary screen changed at the break ---------------------------
E2E_SCREENS="-screen 0 3840x1080x24 -noreset"
start_xvfb
xrandr --delmonitor screen >/dev/null 2>&1
xrandr --setmonitor DP-1 1920/508x1080/286+0+0 screen || fail "xrandr cannot set monitors"
xrandr --setmonitor HDMI-1 1920/508x1080/286+1920+0 none
xrandr --output screen --primary
start_openbox 0
start_kvizor "$KVIZOR" "$E2E_TMP"
xdotool windowactivate --sync "$KVIZOR_WIN" 2>/dev/null
xdotool type --delay 50 "7"
sleep 0.3
xdotool key F12
host_window || fail "DP-1 and HDMI-1, F12: no host view"
eventually 3 board_is "1920 0 1920 1080" || fail "DP-1 and HDMI-1, F12: the board is at $(geometry "$KVIZOR_WIN")"
eventually 3 within "$HOST" 0 0 1920 1080 || fail "DP-1 and HDMI-1, F12: the host view is at $(frame_of "$HOST")"
click_at 900 80
sleep 0.5
# HDMI-1 now primary: the monitors go and come back, as a settings panel does.
xrandr --delmonitor DP-1
xrandr --delmonitor HDMI-1
xrandr --setmonitor HDMI-1 1920/508x1080/286+1920+0 screen
xrandr --setmonitor DP-1 1920/508x1080/286+0+0 none
xrandr --output screen --primary
# The window manager may push the host view about while the monitors
# change; wherever it is pushed onto the board's screen, it holds the answer.
for i in $(seq 20); do
    set -- $(frame_of "$HOST")
    if [ $(($1 + $3)) -gt 1920 ]; then
        import -window root "$E2E_TMP/moving$i.png"
        [ "$(green_in "moving$i" "$3" "$4" "$1" "$2")" -eq 0 ] ||
            fail "primary changed: the host view shows the answer on the board's screen, at $*"
    fi
    sleep 0.1
done
eventually 3 within "$HOST" 0 0 1920 1080 || fail "primary changed: the host view stays at $(frame_of "$HOST"), on the board's screen"
board_is "1920 0 1920 1080" || fail "primary changed: the board moved to $(geometry "$KVIZOR_WIN")"
import -window root "$E2E_TMP/swapped.png"
[ "$(green_in swapped 1150 100 2315 978)" -eq 0 ] || fail "primary changed: the room sees the answer"
[ "$(green_in swapped 1920 1080 0 0)" -gt 30 ] || fail "primary changed: the host view no longer shows the held answer"
alive
echo "ok: the room's screen made primary mid-game: neither window moves, the answer stays with the host"
kill "$KVIZOR_PID"

# --- 4. Screens 768 px high -----------------------------------------------
for size in 1366x768 1024x768; do
    E2E_SCREENS="-screen 0 ${size}x24"
    start_xvfb
    start_openbox 0
    start_kvizor "$KVIZOR" "$E2E_TMP"
    w=${size%x*}
    eventually 3 within "$KVIZOR_WIN" 0 0 "$w" 768 || fail "$size: the board's frame is at $(frame_of "$KVIZOR_WIN"), off the screen"
    alive
    echo "ok: $size: the board opens wholly on the screen, its frame at $(frame_of "$KVIZOR_WIN")"
    kill "$KVIZOR_PID"
done
E2E_SCREENS="-screen 0 1280x1024x24"
start_xvfb
start_openbox 0
start_kvizor "$KVIZOR" "$E2E_TMP"
[ "$(window_size "$KVIZOR_WIN")" = "819x734" ] || fail "1280x1024: the board is $(window_size "$KVIZOR_WIN"), not as designed"
echo "ok: 1280x1024: the board opens as designed"
exit 0
