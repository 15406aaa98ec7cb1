#!/bin/sh
# Sound figures of kvizor beside their floor, in one run, on a private
# PulseAudio null sink and Xvfb, at 48 kHz (the program's rate) and at
# 44.1 kHz (PulseAudio's default, where the server resamples):
#   - click on a number to the first beep at the sink's monitor, against
#     `paplay` of a short tone (the floor, its process start included);
#   - the same for the first click of a fresh start, apart: the program
#     started anew each time, its round typed in, and the number clicked
#     as soon as a host could (about a second after the window is drawn);
#   - how many of those first countdowns the program found silent with no
#     other client on the sink (the null sink then sleeps in long blocks,
#     and closing a stream can take up to 2 s);
#   - a buzzer's key (XTest) to the first sample of its buzz, 300 ms into a
#     countdown, against the same paplay;
#   - CPU ticks (utime + stime from /proc/PID/stat) of kvizor and of the
#     sound server over 10 s of a quiet game, after a countdown;
#   - the spacing of the five beats and the stop sound (wavprobe);
# then all of it again at 48 kHz with module-suspend-on-idle loaded, as
# desktops do. The load average is printed before each part: figures from a
# busy machine mean little.
#   sh scripts/measure-sound.sh BIN_DIR     (kvizor, wavprobe, kvizor_bench_soundlatency)
# KVIZOR_PERF_SOUND_RUNS (default 10) clicks and paplays,
# KVIZOR_PERF_SOUND_STARTS (default 5) fresh starts for each first-click row.
# Goals: latency median within 5 ms of paplay's, for the first click of a
# fresh start too, and no silent first countdown; idle ticks <= 1 for both;
# every beat gap 1000 +- 2 ms; the stop sound within 2 ms of beat 5.
set -eu
BIN=$(cd "$1" && pwd)
RUNS=${KVIZOR_PERF_SOUND_RUNS:-10}
STARTS=${KVIZOR_PERF_SOUND_STARTS:-5}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROBE="$BIN/kvizor_bench_soundlatency"

ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

median_of() {
    sed -n "s/^$1 //p" "$2"
}

median_of_list() {
    tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Writes script $1, which starts kvizor afresh (a journal folder of its own,
# so no game is offered back), waits until its window is drawn, types the
# round name and leaves the pid in $1.pid and its stderr in $1.log.
write_fresh_start() {
    cat >"$1" <<EOS
state=\$(mktemp -d "$E2E_TMP/state.XXXXXX")
(cd "$E2E_TMP" && XDG_STATE_HOME="\$state" exec "$BIN/kvizor") >"$1.log" 2>&1 &
echo \$! >"$1.pid"
win=""
for _ in \$(seq 100); do
    win=\$(xdotool search --onlyvisible --name '^Квизория\$' 2>/dev/null | head -n 1)
    [ -n "\$win" ] && xwininfo -id "\$win" 2>/dev/null | grep -q IsViewable && break
    sleep 0.1
done
[ -n "\$win" ] || exit 1
sleep 0.5
xdotool mousemove --window "\$win" 760 48 click 1 key End BackSpace type 7
EOS
}

# Ends the fresh start that script $1 made.
end_fresh_start() {
    pid=$(cat "$1.pid")
    kill "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
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
        export XDG_CONFIG_HOME="$E2E_TMP/config"
        mkdir -p "$XDG_CONFIG_HOME/kvizor"
        printf '1 = key:Q\n2 = key:P\n' >"$XDG_CONFIG_HOME/kvizor/buzzers.conf"
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

        echo "== $label: a buzzer's key to its buzz, $RUNS presses, each 300 ms into a countdown"
        # Q is team 1's buzzer; each press comes after a pick of number 3.
        pick="$prep && sleep 0.3 && xdotool mousemove --window $KVIZOR_WIN 380 68 click 1 && sleep 0.1"
        "$PROBE" key --runs "$RUNS" --keycode 24 --gap-ms 2000 -- "$pick" >"$E2E_TMP/buzz.txt"
        echo "buzz ms: $(sed -n 's/^latency_[0-9]*_ms //p' "$E2E_TMP/buzz.txt" | tr '\n' ' ')"
        b=$(median_of latency_median_ms "$E2E_TMP/buzz.txt")
        echo "median: buzz $b ms (worst $(median_of latency_max_ms "$E2E_TMP/buzz.txt")), paplay $p ms, difference $(awk "BEGIN { printf \"%.1f\", $b - $p }") ms"

        echo "== $label: idle CPU ticks over 10 s (the last countdown ended 7 s ago)"
        echo "sink: $(pactl list short sinks | awk '{ print $(NF - 1), $NF }'), streams: $(sink_inputs)"
        k0=$(ticks "$KVIZOR_PID")
        s0=$(ticks "$PULSE_PID")
        sleep 10
        echo "kvizor $(($(ticks "$KVIZOR_PID") - k0)) ticks, sound server $(($(ticks "$PULSE_PID") - s0)) ticks (goal <= 1 each; $(getconf CLK_TCK) ticks a second)"
        kill "$KVIZOR_PID"
        while kill -0 "$KVIZOR_PID" 2>/dev/null; do sleep 0.1; done

        echo "== $label: first click of a fresh start, $STARTS starts (paplay $p ms in this run)"
        write_fresh_start "$E2E_TMP/fresh.sh"
        first=""
        silent=0
        for _ in $(seq "$STARTS"); do
            "$PROBE" click --runs 1 --x $((x + 380)) --y $((y + 68)) --gap-ms 500 -- "sh $E2E_TMP/fresh.sh" >"$E2E_TMP/first.txt"
            first="$first $(sed -n 's/^latency_1_ms //p' "$E2E_TMP/first.txt")"
            grep -q "звук недоступен" "$E2E_TMP/fresh.sh.log" && silent=$((silent + 1))
            end_fresh_start "$E2E_TMP/fresh.sh"
        done
        f=$(echo "$first" | tr ' ' '\n' | grep -v '^-' | median_of_list)
        echo "first click ms:$first"
        echo "median: first click $f ms, later clicks $k ms, paplay $p ms; silent first countdowns: $silent of $STARTS (goal 0)"

        echo "== $label: first pick of a fresh start with nothing else on the sink, $STARTS starts"
        silent=0
        closing=0
        for _ in $(seq "$STARTS"); do
            sh "$E2E_TMP/fresh.sh"
            sleep 0.3
            # The stream the start opened and let go, still closing.
            [ "$(sink_inputs)" -gt 0 ] && closing=$((closing + 1))
            xdotool mousemove $((x + 380)) $((y + 68)) click 1
            sleep 1
            grep -q "звук недоступен" "$E2E_TMP/fresh.sh.log" && silent=$((silent + 1))
            end_fresh_start "$E2E_TMP/fresh.sh"
        done
        echo "silent first countdowns: $silent of $STARTS (goal 0); the start's stream still closing at the pick: $closing of $STARTS"

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
