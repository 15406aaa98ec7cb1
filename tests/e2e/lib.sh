# Shared helpers for the end-to-end tests: a private X display, a private
# PulseAudio server with a null sink, and cleanup of everything started.
# Every process started here is stopped by pid on exit.

E2E_PIDS=""
E2E_TMP=$(mktemp -d /tmp/kvizor-e2e.XXXXXX)
# The game journal of every program started here stays in the test's folder.
export XDG_STATE_HOME="$E2E_TMP/state"

e2e_cleanup() {
    for pid in $E2E_PIDS; do
        kill "$pid" 2>/dev/null || true
    done
    sleep 0.2
    for pid in $E2E_PIDS; do
        kill -9 "$pid" 2>/dev/null || true
    done
    if [ -n "${KVIZOR_E2E_KEEP:-}" ]; then
        echo "kept $E2E_TMP"
    else
        rm -rf "$E2E_TMP"
    fi
}
trap e2e_cleanup EXIT INT TERM

# A tool that is not installed skips the test, unless KVIZOR_E2E_STRICT is
# set (the test command sets it after installing every tool): then it fails.
skip() {
    [ -z "${KVIZOR_E2E_STRICT:-}" ] || fail "$* (the test command installs it)"
    echo "SKIP: $*"
    exit 77
}

fail() {
    echo "FAIL: $*"
    exit 1
}

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
    done
}

# A runtime folder of our own for the servers started here (XDG_RUNTIME_DIR).
use_private_runtime() {
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# Waits up to 5 s for path $1 to appear; fails the wait (status 1) if not.
wait_for_path() {
    for _ in $(seq 50); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    [ -e "$1" ]
}

# Starts a headless Wayland compositor (one 1920x1080 output) and sets
# WAYLAND_DISPLAY and QT_QPA_PLATFORM for the children; unsets DISPLAY.
start_weston() {
    need weston
    use_private_runtime
    weston --backend=headless-backend.so --use-pixman --debug --socket=kvizor-wl --width=1920 --height=1080 \
        >"$E2E_TMP/weston.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    wait_for_path "$XDG_RUNTIME_DIR/kvizor-wl" || fail "weston did not start: $(tail -3 "$E2E_TMP/weston.log")"
    export WAYLAND_DISPLAY=kvizor-wl QT_QPA_PLATFORM=wayland
    unset DISPLAY
}

# Starts Xvfb on a display number it finds free itself (-displayfd: a number
# held by a server this /tmp cannot see, in another mount namespace, is
# skipped by Xvfb, not guessed free here); sets DISPLAY. The screens are
# E2E_SCREENS (Xvfb's -screen arguments), one 1280x1024 screen if unset.
# An installed Xvfb that does not start fails the test: a skip would pass
# the tier without testing anything.
start_xvfb() {
    need Xvfb xdotool xdpyinfo import convert
    : >"$E2E_TMP/xvfb.display"
    # shellcheck disable=SC2086
    # -noreset: a server that chose its own number does not always listen
    # again after the reset that follows its last client (the check below,
    # or a program stopped between two parts of a test).
    Xvfb -displayfd 3 -noreset ${E2E_SCREENS:--screen 0 1280x1024x24} -nolisten tcp \
        3>"$E2E_TMP/xvfb.display" >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    E2E_PIDS="$E2E_PIDS $XVFB_PID"
    n=""
    for _ in $(seq 100); do
        n=$(tr -dc 0-9 <"$E2E_TMP/xvfb.display")
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$n" ] || fail "Xvfb did not start: $(tail -5 "$E2E_TMP/xvfb.log")"
    export DISPLAY=":$n"
    E2E_DISPLAY=":$n"
    eventually 5 xdpyinfo_ok || fail "Xvfb on $DISPLAY does not answer: $(tail -5 "$E2E_TMP/xvfb.log")"
}

xdpyinfo_ok() {
    xdpyinfo >/dev/null 2>&1
}

# Runs a window manager on X screen $1 of the display: full screen needs one.
start_openbox() {
    need openbox
    DISPLAY="$E2E_DISPLAY.$1" openbox >"$E2E_TMP/openbox$1.log" 2>&1 &
    E2E_PIDS="$E2E_PIDS $!"
    sleep 0.5
}

# The size of window $1 as "WxH".
window_size() {
    xwininfo -id "$1" 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# Starts a private PulseAudio server with a null sink named "null" and makes
# it the default; sets XDG_RUNTIME_DIR and PULSE_SERVER for the children.
# KVIZOR_E2E_PULSE_LOAD names one more module to load (e.g.
# module-suspend-on-idle); KVIZOR_E2E_PULSE_RATE sets the sink's rate
# (48000 unless told).
start_pulse() {
    need pulseaudio pactl parec
    use_private_runtime
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --disable-shm=yes \
        --load="module-null-sink sink_name=null rate=${KVIZOR_E2E_PULSE_RATE:-48000}" \
        --load=module-native-protocol-unix ${KVIZOR_E2E_PULSE_LOAD:+--load=$KVIZOR_E2E_PULSE_LOAD} \
        >"$E2E_TMP/pulse.log" 2>&1 &
    PULSE_PID=$!
    E2E_PIDS="$E2E_PIDS $PULSE_PID"
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    pactl info >/dev/null 2>&1 || fail "PulseAudio did not start: $(tail -3 "$E2E_TMP/pulse.log")"
    pactl set-default-sink null
}

# Writes round "$2" in folder "$1": question k is "Вопрос k", answer k "Ответ k",
# Windows-1251 with CR LF.
write_round() {
    k=1
    : >"$1/$2.txt.utf8"
    : >"$1/$2o.txt.utf8"
    while [ $k -le 12 ]; do
        printf 'Вопрос %d\r\n' $k >>"$1/$2.txt.utf8"
        printf 'Ответ %d\r\n' $k >>"$1/$2o.txt.utf8"
        k=$((k + 1))
    done
    iconv -f UTF-8 -t CP1251 "$1/$2.txt.utf8" >"$1/$2.txt"
    iconv -f UTF-8 -t CP1251 "$1/$2o.txt.utf8" >"$1/$2o.txt"
    rm -f "$1/$2.txt.utf8" "$1/$2o.txt.utf8"
}

# Starts kvizor (path $1) in folder $2; sets KVIZOR_PID and KVIZOR_WIN.
start_kvizor() {
    (cd "$2" && exec "$1") >"$E2E_TMP/kvizor.log" 2>&1 &
    KVIZOR_PID=$!
    E2E_PIDS="$E2E_PIDS $KVIZOR_PID"
    KVIZOR_WIN=""
    for _ in $(seq 100); do
        KVIZOR_WIN=$(xdotool search --onlyvisible --name '^Квизория$' 2>/dev/null | head -n 1)
        [ -n "$KVIZOR_WIN" ] && break
        sleep 0.1
    done
    [ -n "$KVIZOR_WIN" ] || fail "the window did not appear: $(cat "$E2E_TMP/kvizor.log")"
    # Found as soon as it exists; wait until it is mapped and drawn.
    for _ in $(seq 100); do
        xwininfo -id "$KVIZOR_WIN" 2>/dev/null | grep -q 'IsViewable' && break
        sleep 0.1
    done
    xwininfo -id "$KVIZOR_WIN" 2>/dev/null | grep -q 'IsViewable' || fail "the window was never shown"
    sleep 0.5
}

# Runs command "$2..." every 0.1 s until it succeeds, for at most $1 seconds:
# a state the program reaches on its own time is waited for, not slept for.
eventually() {
    tries=$(awk -v s="$1" 'BEGIN { print int(s * 10) + 1 }')
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" && return 0
        tries=$((tries - 1))
        sleep 0.1
    done
    return 1
}

# The usual start: a private display, no sound, round 7 beside the program
# ($1), the program's window up; with "load", round 7 typed into the box.
start_board() {
    start_xvfb
    export SDL_AUDIODRIVER=dummy
    write_round "$E2E_TMP" 7
    start_kvizor "$1" "$E2E_TMP"
    if [ "${2:-}" = load ]; then
        click_at 760 48
        xdotool type --delay 50 "7"
        sleep 0.5
    fi
}

alive() {
    kill -0 "$KVIZOR_PID" 2>/dev/null || fail "kvizor is gone: $(cat "$E2E_TMP/kvizor.log")"
}

# Clicks at client coordinates x y of the window.
click_at() {
    xdotool mousemove --window "$KVIZOR_WIN" "$1" "$2" click 1
}

shot() {
    for _ in 1 2 3 4 5; do
        import -window "$KVIZOR_WIN" "$E2E_TMP/$1.png" 2>>"$E2E_TMP/import.log" && return 0
        sleep 0.2
    done
    fail "no screenshot $1: $(tail -2 "$E2E_TMP/import.log")"
}

# Number of pixels of colour $2 (#RRGGBB) in shot $1 within W H X Y.
count_colour() {
    convert "$E2E_TMP/$1.png" -crop "$3x$4+$5+$6" +repage txt:- | grep -ci " $2" || true
}

# A fingerprint of shot $1's pixels within W H X Y: equal for equal pictures.
crop_id() {
    convert "$E2E_TMP/$1.png" -crop "$2x$3+$4+$5" +repage rgb:- | md5sum | cut -c1-32
}

# The colour (#RRGGBB) of one pixel.
pixel() {
    convert "$E2E_TMP/$1.png" -format "%[hex:p{$2,$3}]" info: | cut -c1-6 | sed 's/^/#/'
}

# Number of pixels in shot $1 within W H X Y whose red exceeds green and blue
# by more than 0x30 (a pinkish or red face, whatever gradient the style draws).
count_reddish() {
    convert "$E2E_TMP/$1.png" -crop "$2x$3+$4+$5" +repage -depth 8 txt:- |
        sed -n 's/^[^(]*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' |
        awk '{ if ($1 - $2 > 48 && $1 - $3 > 48) n++ } END { print n + 0 }'
}

# Number of pixels in shot $1 within W H X Y darker than #C0C0C0 in every
# channel (text on the window background, whatever its antialiasing).
count_dark() {
    convert "$E2E_TMP/$1.png" -crop "$2x$3+$4+$5" +repage -depth 8 txt:- |
        sed -n 's/^[^(]*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' |
        awk '{ if ($1 < 192 && $2 < 192 && $3 < 192) n++ } END { print n + 0 }'
}

# Number of streams playing into the sound server.
sink_inputs() {
    pactl list short sink-inputs 2>/dev/null | wc -l
}

# Records the null sink's monitor to $1 in the background; sets PAREC_PID.
# A low latency keeps the null sink awake in short blocks, as a sound card
# would be, instead of sleeping through a new stream's start.
record_sink() {
    parec -d null.monitor --latency-msec=10 --file-format=wav --rate=22050 --channels=1 --format=s16le \
        "$1" >"$E2E_TMP/parec.log" 2>&1 &
    PAREC_PID=$!
    E2E_PIDS="$PAREC_PID $E2E_PIDS"
}
