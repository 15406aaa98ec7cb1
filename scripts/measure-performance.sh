#!/bin/sh
# Builds a Release tree with the benchmarks and prints every figure that
# docs/performance.md reports, after a description of the machine:
#   - the countdown's beats and the stop sound, recorded from a private
#     PulseAudio null sink (tests/e2e/sound_e2e.sh and wavprobe);
#   - time to the first frame and resident memory, against a bare Qt window;
#   - click-to-repaint latency of a number button;
#   - round loading (Google Benchmark);
#   - the sound side beside its floor: click to first beep against paplay,
#     idle CPU of kvizor and of the sound server, beat spacing, with and
#     without module-suspend-on-idle (scripts/measure-sound.sh, where its
#     goals are written).
# Each figure comes from one run of this script; nothing is averaged across runs.
#
#   sh scripts/measure-performance.sh [build-dir]     (default: build-perf)
#
# KVIZOR_PERF_RUNS (default 10) start-ups of each program, KVIZOR_PERF_CLICKS
# (default 20) clicks. Needs what `scripts/install-deps.sh --test` installs.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${1:-build-perf}
RUNS=${KVIZOR_PERF_RUNS:-10}
CLICKS=${KVIZOR_PERF_CLICKS:-20}

version() {
    dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "not installed"
}

# Median of the numbers on standard input, one a line.
median() {
    sort -n | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "n/a"; exit }
        if (NR % 2) printf "%.1f\n", v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "== machine"
echo "cpu: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
echo "cores: $(nproc) ($(lscpu | sed -n 's/^Thread(s) per core: *//p') thread(s) per core)"
echo "ram: $(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "virtualisation: $(lscpu | sed -n 's/^Hypervisor vendor: *//p' | head -n 1)"
echo "debian: $(cat /etc/debian_version), kernel $(uname -r)"
echo "qt: $(version qt6-base-dev), sdl2: $(version libsdl2-2.0-0), gcc: $(version g++-12)"
echo "xvfb: $(version xvfb), pulseaudio: $(version pulseaudio), google benchmark: $(version libbenchmark-dev)"
echo "load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== build (Release)"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DKVIZOR_BENCH=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)" \
    --target kvizor wavprobe kvizor_bench_barewindow kvizor_bench_firstframe kvizor_bench_rounds \
    kvizor_bench_soundlatency kvizor_bench_relayout >/dev/null
BIN=$(cd "$BUILD" && pwd)/bin
echo "built in $BUILD"

# --- Beats ------------------------------------------------------------------
echo "== beats (one question, recorded at 22050 Hz from a PulseAudio null sink at 48 kHz)"
BEATS_DIR=$(mktemp -d /tmp/kvizor-beats.XXXXXX)
status=0
sh tests/e2e/sound_e2e.sh "$BIN/kvizor" "$BIN/wavprobe" "$BEATS_DIR/beats.wav" >"$BEATS_DIR/e2e.txt" 2>&1 || status=$?
if [ -s "$BEATS_DIR/beats.wav" ]; then
    "$BIN/wavprobe" "$BEATS_DIR/beats.wav" --beats 5 | tee "$BEATS_DIR/probe.txt"
    awk '
        /^onset_[0-9]+_ms/ { n++; onset[n] = $2 }
        /^gap_[0-9]+_ms/ { d = $2 - 1000; if (d < 0) d = -d; sum += d; gaps++ }
        /^gap_worst_deviation_ms/ { worst = $2 }
        /^stop_onset_ms/ { stop = $2 }
        /^stop_delay_after_last_beat_ms/ { delay = $2 }
        END {
            printf "beats, from the first:"
            for (k = 1; k <= n; k++) printf " %.1f", onset[k] - onset[1]
            printf " ms; stop sound at %.1f ms\n", stop - onset[1]
            if (gaps) printf "beat spacing: mean |gap - 1000| %.2f ms, worst %.2f ms (target 5 ms)\n", sum / gaps, worst
            printf "stop sound after beat 5: %.1f ms (target 10 ms)\n", delay
        }' "$BEATS_DIR/probe.txt"
else
    echo "no recording (sound_e2e.sh exited $status):"
    cat "$BEATS_DIR/e2e.txt"
fi
rm -rf "$BEATS_DIR"

# --- Start-up, memory, clicks: the real program under Xvfb ------------------
# shellcheck source=../tests/e2e/lib.sh
. "$ROOT/tests/e2e/lib.sh"
start_xvfb
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
probe="$BIN/kvizor_bench_firstframe"

# One start-up: appends the first-frame time and the resident memory (1 s
# after the frame) to $2.ms and $2.kib.
start_once() {
    "$probe" startup --rss-after-ms 1000 -- "$1" >"$E2E_TMP/one.txt" 2>>"$E2E_TMP/startup.log" ||
        fail "no first frame from $1: $(tail -3 "$E2E_TMP/startup.log")"
    sed -n 's/^first_frame_ms //p' "$E2E_TMP/one.txt" >>"$2.ms"
    sed -n 's/^rss_kib //p' "$E2E_TMP/one.txt" >>"$2.kib"
}

echo "== start-up to the first frame, $RUNS runs each, alternating (one warm-up each not counted)"
export SDL_AUDIODRIVER=dummy
start_once "$BIN/kvizor" "$E2E_TMP/warm"
start_once "$BIN/kvizor_bench_barewindow" "$E2E_TMP/warm"
i=0
while [ $i -lt "$RUNS" ]; do
    start_once "$BIN/kvizor" "$E2E_TMP/kvizor"
    start_once "$BIN/kvizor_bench_barewindow" "$E2E_TMP/bare"
    i=$((i + 1))
done
echo "kvizor (SDL dummy audio) ms: $(tr '\n' ' ' <"$E2E_TMP/kvizor.ms")"
echo "bare Qt window ms:           $(tr '\n' ' ' <"$E2E_TMP/bare.ms")"
k=$(median <"$E2E_TMP/kvizor.ms")
b=$(median <"$E2E_TMP/bare.ms")
echo "median first frame: kvizor $k ms, bare window $b ms, ratio $(awk "BEGIN { printf \"%.2f\", $k / $b }") (target 1.15)"
kk=$(median <"$E2E_TMP/kvizor.kib")
bk=$(median <"$E2E_TMP/bare.kib")
awk "BEGIN { printf \"median VmRSS 1 s after the frame: kvizor %.1f MiB, bare window %.1f MiB, difference %.1f MiB\n\",
    $kk / 1024, $bk / 1024, ($kk - $bk) / 1024 }"

echo "== start-up with a PulseAudio server (private null sink), $RUNS runs"
start_pulse
export SDL_AUDIODRIVER=pulseaudio
start_once "$BIN/kvizor" "$E2E_TMP/warm"
i=0
while [ $i -lt "$RUNS" ]; do
    start_once "$BIN/kvizor" "$E2E_TMP/pulse"
    i=$((i + 1))
done
echo "kvizor (PulseAudio) ms: $(tr '\n' ' ' <"$E2E_TMP/pulse.ms")"
kp=$(median <"$E2E_TMP/pulse.ms")
echo "median first frame: kvizor with PulseAudio $kp ms, ratio to the bare window $(awk "BEGIN { printf \"%.2f\", $kp / $b }")"
awk "BEGIN { printf \"median VmRSS 1 s after the frame: %.1f MiB\n\", $(median <"$E2E_TMP/pulse.kib") / 1024 }"

echo "== click on a number to the repaint without it, $CLICKS clicks (PulseAudio on)"
write_round "$E2E_TMP" 7
(cd "$E2E_TMP" && "$probe" click --runs "$CLICKS" -- "$BIN/kvizor") 2>>"$E2E_TMP/click.log" ||
    fail "click measurement failed: $(tail -3 "$E2E_TMP/click.log")"

# --- Full screen ----------------------------------------------------------------
echo "== entering full screen"
"$BIN/kvizor_bench_relayout" 100 || echo "relayout: over the 16 ms goal"

# --- Round loading ------------------------------------------------------------
echo "== round loading (Google Benchmark)"
"$BIN/kvizor_bench_rounds" 2>&1

# --- Sound on demand ------------------------------------------------------------
sh "$ROOT/scripts/measure-sound.sh" "$BIN"
