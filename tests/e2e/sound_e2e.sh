#!/bin/sh
# The real sound output: one question in the real program, recorded from a
# private PulseAudio null sink, must give five beats 1000 ms apart and the
# stop sound with the fifth, and nothing else. The stream to the server
# exists only while there is sound to play.
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
record_sink "$E2E_TMP/out.wav"

start_kvizor "$KVIZOR" "$E2E_TMP"
click_at 760 48
xdotool type --delay 50 "7"
sleep 1.5
alive
[ "$(sink_inputs)" -eq 0 ] || fail "a stream is open before any pick: $(pactl list short sink-inputs)"
click_at 380 68
sleep 2
[ "$(sink_inputs)" -eq 1 ] || fail "no stream while the countdown plays"
sleep 4
alive
kill -INT "$PAREC_PID" 2>/dev/null
# The stop sound ended about 2 s ago: the stream must be gone.
[ "$(sink_inputs)" -eq 0 ] || fail "the stream stays open after the countdown: $(pactl list short sink-inputs)"
sleep 0.5

grep -q "звук недоступен" "$E2E_TMP/kvizor.log" && fail "the program found no sound: $(cat "$E2E_TMP/kvizor.log")"
[ -s "$E2E_TMP/out.wav" ] || fail "nothing was recorded: $(cat "$E2E_TMP/parec.log")"
[ -n "$KEEP_WAV" ] && cp "$E2E_TMP/out.wav" "$KEEP_WAV"
"$WAVPROBE" "$E2E_TMP/out.wav" --beats 5 --check || fail "the recorded beats are off (figures above)"
echo "ok: five beats on time and the stop sound with the fifth; no stream before or after"
exit 0
