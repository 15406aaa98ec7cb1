#!/bin/sh
# Wayland, with no display: a headless compositor. The program shows its
# board there, and the full-screen showing, the host view and the keys work
# (the host-view tests, run against the compositor).
#   wayland_e2e.sh /path/to/kvizor /path/to/tst_hostview
set -u
KVIZOR=$1
HOSTVIEW_TESTS=$2
. "$(dirname "$0")/lib.sh"

need weston-screenshooter convert
ls /usr/lib/*/qt6/plugins/platforms/libqwayland* >/dev/null 2>&1 || skip "qt6-wayland is not installed"
start_weston
export SDL_AUDIODRIVER=dummy

(cd "$E2E_TMP" && exec "$KVIZOR") >"$E2E_TMP/kvizor.log" 2>&1 &
KVIZOR_PID=$!
E2E_PIDS="$E2E_PIDS $KVIZOR_PID"
sleep 2
alive
(cd "$E2E_TMP" && timeout 10 weston-screenshooter) >/dev/null 2>&1 || fail "no screenshot from weston"
SHOT=$(ls "$E2E_TMP"/wayland-screenshot-*.png | head -n 1)
faces=$(convert "$SHOT" txt:- | grep -ci ' #FFC0FF' || true)
[ "$faces" -gt 10000 ] || fail "number 1's face is not on the Wayland screen ($faces pixels)"
echo "ok: the board shows under Wayland"

"$HOSTVIEW_TESTS" fullScreenScalesAndLeavingRestoresTheDesign hostViewShowsTheWholeQuestionAndTheAnswerAtThePick \
    resizingByHandMovesNothing >"$E2E_TMP/hostview.log" 2>&1 || fail "host view tests under Wayland: $(grep -E 'FAIL|Loc|ERROR|SUMMARY' "$E2E_TMP/hostview.log" | head -5)"
echo "ok: full screen, host view and keys under Wayland"
