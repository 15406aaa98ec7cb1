#!/bin/sh
# Full screen and the host view under a window manager, on two X screens:
# F11 scales the design onto black and Esc restores it; F12 puts the host
# view on the first screen and the main window full screen on the second.
#   fullscreen_e2e.sh /path/to/kvizor
set -u
KVIZOR=$1
. "$(dirname "$0")/lib.sh"

E2E_SCREENS="-screen 0 1280x800x24 -screen 1 1920x1080x24"
start_xvfb
start_openbox 0
start_openbox 1
export DISPLAY="$E2E_DISPLAY.0"
export SDL_AUDIODRIVER=dummy
write_round "$E2E_TMP" 7
start_kvizor "$KVIZOR" "$E2E_TMP"
xdotool windowactivate --sync "$KVIZOR_WIN" 2>/dev/null
xdotool type --delay 50 "7"
sleep 0.3

# F11: the design at scale 800/734, centred; black margins.
xdotool key F11
sleep 1
[ "$(window_size "$KVIZOR_WIN")" = "1280x800" ] || fail "F11: the window is $(window_size "$KVIZOR_WIN")"
shot full
[ "$(pixel full 20 400)" = "#000000" ] || fail "F11: the left margin is $(pixel full 20 400), not black"
[ "$(pixel full 1260 400)" = "#000000" ] || fail "F11: the right margin is not black"
# Number 1's face, 10 px inside its corner at x = (1280 - 893) / 2.
[ "$(pixel full 203 10)" = "#FFC0FF" ] || fail "F11: number 1 is not at the scaled place: $(pixel full 203 10)"
# Number 12 ends at 893 * (9135 / 12285) px from the design's left edge.
[ "$(pixel full 850 380)" = "#8080FF" ] || fail "F11: number 12 is not scaled: $(pixel full 850 380)"
echo "ok: full screen scales the design onto black"

xdotool key Escape
sleep 1
[ "$(window_size "$KVIZOR_WIN")" = "819x734" ] || fail "Esc: the window is $(window_size "$KVIZOR_WIN")"
shot normal
[ "$(pixel normal 8 8)" = "#FFC0FF" ] || fail "Esc: number 1 is not back in its place"
echo "ok: Esc restores the designed window"

# F12: the host view here, the main window full screen on the other screen.
xdotool key F12
HOST=""
for _ in $(seq 50); do
    HOST=$(xdotool search --screen 0 --onlyvisible --name 'ведущий' 2>/dev/null | head -n 1)
    [ -n "$HOST" ] && break
    sleep 0.1
done
[ -n "$HOST" ] || fail "F12: no host view on screen 0"
sleep 1.5
MAIN=$(xdotool search --screen 1 --onlyvisible --name '^Квизория$' 2>/dev/null | head -n 1)
[ -n "$MAIN" ] || fail "F12: the main window is not on screen 1"
[ "$(DISPLAY="$E2E_DISPLAY.1" window_size "$MAIN")" = "1920x1080" ] ||
    fail "F12: the main window is $(DISPLAY="$E2E_DISPLAY.1" window_size "$MAIN") on screen 1"
import -display "$E2E_DISPLAY.1" -window root "$E2E_TMP/projector.png"
import -display "$E2E_DISPLAY.0" -window root "$E2E_TMP/laptop.png"
[ "$(pixel projector 20 540)" = "#000000" ] || fail "F12: the projector's margin is not black"
echo "ok: F12 puts the host view on screen 0 and the board full screen on screen 1"

# Keys in the host view drive the game: F12 there closes it, the board stays.
xdotool windowactivate --sync "$HOST" 2>/dev/null
xdotool key F12
sleep 0.8
[ -z "$(xdotool search --onlyvisible --name 'ведущий' 2>/dev/null)" ] || fail "F12 in the host view did not close it"
[ "$(DISPLAY="$E2E_DISPLAY.1" window_size "$MAIN")" = "1920x1080" ] || fail "closing the host view changed the board"
alive
echo "ok: closing the host view leaves the board as it is"
