#!/bin/sh
# The real sound output: one question in the real program, recorded from a
# private PulseAudio null sink, must give five beats 1000 ms apart and the
# stop sound with the fifth, and nothing else.
#   sound_e2e.sh /path/to/kvizor /path/to/wavprobe [copy-recording-to.wav]
set -u
KVIZOR=$1
WAVPROBE=$2
KEEP_WAV=${3:-}
. "$(dirname "$0")/lib.sh"

start_xvfb
start_pulse
export SDL_AUDIODRIVER=pulseaudio
write_round "$E2E_TMP" 7

# parec drops roughly its first second: start it well before the sound.
parec -d null.monitor --latency-msec=10 --file-format=wav --rate=22050 --channels=1 --format=s16le \
    "$E2E_TMP/out.wav" >"$E2E_TMP/parec.log" 2>&1 &
PAREC_PID=$!
E2E_PIDS="$PAREC_PID $E2E_PIDS"

start_kvizor "$KVIZOR" "$E2E_TMP"
click_at 760 48
xdotool type --delay 50 "7"
sleep 1.5
alive
click_at 380 68
sleep 6
alive
kill -INT "$PAREC_PID" 2>/dev/null
sleep 0.5

grep -q "звук недоступен" "$E2E_TMP/kvizor.log" && fail "the program found no sound: $(cat "$E2E_TMP/kvizor.log")"
[ -s "$E2E_TMP/out.wav" ] || fail "nothing was recorded: $(cat "$E2E_TMP/parec.log")"
[ -n "$KEEP_WAV" ] && cp "$E2E_TMP/out.wav" "$KEEP_WAV"
"$WAVPROBE" "$E2E_TMP/out.wav" --beats 5 --check || fail "the recorded beats are off (figures above)"
echo "ok: five beats on time and the stop sound with the fifth"
exit 0
