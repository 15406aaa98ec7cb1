#!/bin/sh
# Sound figures of kvizor beside their floor, in one run, on a private
# PulseAudio null sink and Xvfb, at 48 kHz (the program's rate) and at
# 44.1 kHz (PulseAudio's default, where the server resamples):
#   - click on a number to the first beep at the sink's monitor, against
#     `paplay` of a short tone (the floor, its process start included);
#   - CPU ticks (utime + stime from /proc/PID/stat) of kvizor and of the
#     sound server over 10 s of a quiet game, after a countdown;
#   - the spacing of the five beats and the stop sound (wavprobe);
# then all of it again at 48 kHz with module-suspend-on-idle loaded, as
# desktops do. The load average is printed before each part: figures from a
# busy machine mean little.
#   sh scripts/measure-sound.sh BIN_DIR     (kvizor, wavprobe, kvizor_bench_soundlatency)
# KVIZOR_PERF_SOUND_RUNS (default 10) clicks and paplays.
# Goals: latency median within 5 ms of paplay's; idle ticks <= 1 for both;
# every beat gap 1000 +- 2 ms; the stop sound within 2 ms of beat 5.
set -eu
BIN=$(cd "$1" && pwd)
RUNS=${KVIZOR_PERF_SOUND_RUNS:-10}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROBE="$BIN/kvizor_bench_soundlatency"

ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

median_of() {
    sed -n "s/^$1 //p" "$2"
}

one_setup() {
    extra=$1
    label=$2
    export KVIZOR_E2E_PULSE_RATE=$3
    # The sink keeps its rate: by default PulseAudio switches an idle sink
    # to 48 kHz for a 48 kHz stream, and a 44.1 kHz sink would never be
    # measured. Desktops whose sink runs at 44.1 kHz for other streams
    # resample the program's stream, as here.
    printf 'default-sample-rate = %s\nalternate-sample-rate = %s\n' "$3" "$3" >"$WAVS/daemon.conf"
    export PULSE_CONFIG="$WAVS/daemon.conf"
    echo "== $label: load average $(cut -d' ' -f1-3 /proc/loadavg)"
    (
        # shellcheck source=../tests/e2e/lib.sh
        . "$ROOT/tests/e2e/lib.sh"
        start_xvfb
        KVIZOR_E2E_PULSE_LOAD=$extra start_pulse
        export SDL_AUDIODRIVER=pulseaudio
        write_round "$E2E_TMP" 7
        "$PROBE" tone "$E2E_TMP/tone.wav"

        echo "== $label: paplay of a 120 ms tone, $RUNS runs"
        "$PROBE" paplay --runs "$RUNS" --wav "$E2E_TMP/tone.wav" >"$E2E_TMP/paplay.txt"
        echo "paplay ms: $(sed -n 's/^latency_[0-9]*_ms //p' "$E2E_TMP/paplay.txt" | tr '\n' ' ')"

        start_kvizor "$BIN/kvizor" "$E2E_TMP"
        x=$(xwininfo -id "$KVIZOR_WIN" | sed -n 's/.*Absolute upper-left X: *//p')
        y=$(xwininfo -id "$KVIZOR_WIN" | sed -n 's/.*Absolute upper-left Y: *//p')
        echo "== $label: click on a number to the first beep, $RUNS clicks, each on a closed stream"
        # Retyping the round name brings every number back.
        prep="xdotool mousemove --window $KVIZOR_WIN 760 48 click 1 key End BackSpace type 7"
        "$PROBE" click --runs "$RUNS" --x $((x + 380)) --y $((y + 68)) --gap-ms 7000 -- "$prep" >"$E2E_TMP/click.txt"
        echo "kvizor ms: $(sed -n 's/^latency_[0-9]*_ms //p' "$E2E_TMP/click.txt" | tr '\n' ' ')"
        p=$(median_of latency_median_ms "$E2E_TMP/paplay.txt")
        k=$(median_of latency_median_ms "$E2E_TMP/click.txt")
        echo "median: kvizor $k ms, paplay $p ms, difference $(awk "BEGIN { printf \"%.1f\", $k - $p }") ms (goal <= 5)"

        echo "== $label: idle CPU ticks over 10 s (the last countdown ended 7 s ago)"
        echo "sink: $(pactl list short sinks | awk '{ print $(NF - 1), $NF }'), streams: $(sink_inputs)"
        k0=$(ticks "$KVIZOR_PID")
        s0=$(ticks "$PULSE_PID")
        sleep 10
        echo "kvizor $(($(ticks "$KVIZOR_PID") - k0)) ticks, sound server $(($(ticks "$PULSE_PID") - s0)) ticks (goal <= 1 each; $(getconf CLK_TCK) ticks a second)"
        kill "$KVIZOR_PID"

        echo "== $label: beats of one question (tests/e2e/sound_e2e.sh)"
    )
    KVIZOR_E2E_PULSE_LOAD=$extra sh "$ROOT/tests/e2e/sound_e2e.sh" "$BIN/kvizor" "$BIN/wavprobe" "$WAVS/$2.wav" >/dev/null 2>&1 || true
    if [ -s "$WAVS/$2.wav" ]; then
        "$BIN/wavprobe" "$WAVS/$2.wav" --beats 5 | grep -E '^(onsets|gap_[0-9]|gap_worst|stop_delay|stop_strongest|last_sound|verdict)' | tr '\n' ' '
        echo
    else
        echo "no recording"
    fi
}

WAVS=$(mktemp -d /tmp/kvizor-sound.XXXXXX)
one_setup "" "null sink 48 kHz" 48000
one_setup "" "null sink 44.1 kHz" 44100
one_setup "module-suspend-on-idle" "null sink 48 kHz, module-suspend-on-idle" 48000
rm -rf "$WAVS"
