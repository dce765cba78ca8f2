#!/usr/bin/env bash
# The sound as heard: a PulseAudio server of its own with a null sink, whose
# monitor is recorded while the real program (Xvfb, demo database, real keys)
# starts, draws one press of five winners, lets the music run out and reloads
# after the winners list closes. The recording is measured in two bands with
# sox: below 3.5 kHz the music (and the fanfare), above 5 kHz only the snare
# noise of begin.wav (the delivered music and fanfare are tones below 3.2 kHz).
#   - the music is heard once the main screen is there, before any key;
#   - begin.wav is heard while the digits roll;
#   - after each winner the effect falls silent (StopEffect) for its pause;
#     an effect that went on would fill the pauses, as each winner restarts it;
#   - the music plays once through from its beginning (about 32 s) under the
#     effects, stays silent, and starts again when the winners list closes.
# Times are read from the recording itself (its length when a key is pressed,
# the onsets found in it), not from sleeps.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/e2e_lib.sh"
for tool in pulseaudio pactl parecord sox python3; do
  command -v "$tool" >/dev/null 2>&1 \
    || { echo "SKIP: $tool is not installed (packages pulseaudio, pulseaudio-utils, sox, python3)"; exit 77; }
done
ls /usr/lib/*/gstreamer-1.0/libgstpulseaudio.so >/dev/null 2>&1 \
  || { echo "SKIP: GStreamer's PulseAudio sink is not installed (package gstreamer1.0-pulseaudio)"; exit 77; }
e2e_require || exit 77

PA_PID=""
REC_PID=""
sound_cleanup() {
  local pid
  for pid in "$REC_PID" "$E2E_PID" "$PA_PID"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  e2e_cleanup
}
trap sound_cleanup EXIT

fail() {
  e2e_log "FAIL: $*"
  if [ -n "${rec:-}" ] && [ -s "$rec" ]; then
    sox $RAW "$rec" "$E2E_SHOTS/sound_heard.wav" 2>/dev/null && e2e_log "recording: $E2E_SHOTS/sound_heard.wav"
  fi
  e2e_fail "$*"
}

# A server of our own: no default configuration, its socket in the test's
# folder, no session bus. As root it runs in user mode with this runtime
# folder (a system-wide server would be shared with other runs).
pa_dir="$E2E_WORK/pulse"
mkdir -m 700 -p "$pa_dir"
env -u DISPLAY HOME="$pa_dir" XDG_RUNTIME_DIR="$pa_dir" PULSE_RUNTIME_PATH="$pa_dir/run" \
  PULSE_STATE_PATH="$pa_dir/state" DBUS_SESSION_BUS_ADDRESS="unix:path=$pa_dir/no-bus" \
  pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disable-shm=yes \
  --log-target=file:"$pa_dir/server.log" \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$pa_dir/native" \
  --load="module-null-sink sink_name=hall rate=44100 channels=2" &
PA_PID=$!
export PULSE_SERVER="unix:$pa_dir/native"
deadline=$((SECONDS + E2E_TIMEOUT))
until pactl info 2>/dev/null | grep -q "Default Sink: hall"; do
  [ $SECONDS -lt $deadline ] && kill -0 "$PA_PID" 2>/dev/null \
    || { e2e_log "$(tail -n 5 "$pa_dir/server.log" 2>/dev/null)"; e2e_fail "the PulseAudio server did not start"; }
  sleep 0.1
done

e2e_start_xvfb 1024x768x24
e2e_make_runtime demo
e2e_write_settings "iTime=5"

RATE=22050
RAW="-t raw -r $RATE -e signed -b 16 -c 1"
rec="$E2E_WORK/hall.raw"
parecord --raw --device=hall.monitor --rate=$RATE --channels=1 --format=s16le --latency-msec=50 "$rec" &
REC_PID=$!

# Seconds recorded so far: the clock every position below is on.
pos() { awk -v b="$(stat -c %s "$rec" 2>/dev/null || echo 0)" -v r=$RATE 'BEGIN { printf "%.2f", b / (2 * r) }'; }
band_filter() { if [ "$1" = low ]; then echo "sinc -3.5k"; else echo "sinc 5k"; fi; }
# One RMS level (dB) per 0.1 s of a band of the recording from $2 for $3 seconds.
# The whole recording is filtered before the cut, so the cut adds no click.
band_windows() {
  # shellcheck disable=SC2046
  sox $RAW "$rec" -t dat - $(band_filter "$1") trim "$2" "$3" 2>/dev/null | awk -v n=$((RATE / 10)) '
    /^;/ { next }
    { s += $2 * $2; if (++k == n) { printf("%.1f\n", (s > 0) ? 10 * log(s / k) / log(10) : -200); s = 0; k = 0 } }'
}
# Prints the position of the first run of $5 windows after $2 whose level is
# above|below ($3) $4 dB; nothing when there is none up to the recording's end.
first_run() {
  local len
  len=$(awk -v a="$(pos)" -v b="$2" 'BEGIN { printf "%.1f", a - b - 0.2 }')
  awk -v l="$len" 'BEGIN { exit !(l > 0) }' || return 0
  band_windows "$1" "$2" "$len" | awk -v from="$2" -v mode="$3" -v lim="$4" -v want="$5" '
    { run = ((mode == "above" && $1 > lim) || (mode == "below" && $1 < lim)) ? run + 1 : 0 }
    run == want { printf "%.2f\n", from + (NR - want) * 0.1; exit }'
}
wait_run() { # band from above|below dB windows timeout
  local deadline=$((SECONDS + $6)) at
  while [ $SECONDS -lt $deadline ]; do
    at=$(first_run "$1" "$2" "$3" "$4" "$5")
    [ -n "$at" ] && { echo "$at"; return 0; }
    sleep 0.2
  done
  return 1
}
wait_pos() { # until the recording reaches $1 seconds
  while awk -v a="$(pos)" -v b="$1" 'BEGIN { exit !(a < b) }'; do sleep 0.1; done
}
add() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }

LOUD_MUSIC=-40 # the music is about -17 dB below 3.5 kHz, the null sink's silence -inf
LOUD_DRUM=-55  # begin.wav is about -40 dB above 5 kHz
SILENT=-75

e2e_start_program
main=$(e2e_wait_window "员工抽奖系统") || fail "the main window did not open"
shown=$(pos)
music=$(wait_run low 0 above $LOUD_MUSIC 3 15) || fail "no music heard after the main screen opened (at ${shown}s)"
e2e_log "main screen at ${shown}s, music from ${music}s"
# An effect is begin.wav's snare, loud above 5 kHz all through its 2.5 s; a
# run of half a second of it tells it from the click of a buffer the sound
# server missed on a loaded machine, which lasts a window or two.
wait_pos "$(add "$music" 2)"
[ -z "$(first_run high "$music" above $LOUD_DRUM 5)" ] || fail "an effect sounded before any key"

e2e_focus "$main"
roll=$(pos)
e2e_key Return
drum=$(wait_run high "$roll" above $LOUD_DRUM 3 10) || fail "begin.wav not heard while the digits roll (Enter at ${roll}s)"
wait_pos "$(add "$drum" 0.5)"
press=$(pos)
e2e_key Return
e2e_log "roll at ${roll}s, begin.wav from ${drum}s, stop press at ${press}s"
deadline=$((SECONDS + E2E_TIMEOUT))
until [ "$(python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from AwardList").fetchone()[0])' "$E2E_RUN/config.dll" 2>/dev/null)" = 5 ]; do
  [ $SECONDS -lt $deadline ] || fail "the press did not draw five winners"
  sleep 0.2
done

# Each winner starts begin.wav anew, stops it once recorded (the recording
# takes some milliseconds, so a short burst may be heard) and pauses a second.
# An effect that were not stopped would sound all through, as each winner
# restarts its 2.5 s; stopped, it is silent most of the time.
wait_pos "$(add "$press" 5)"
silent=$(band_windows high "$(add "$press" 0.3)" 4.5 | awk -v lim=$SILENT '
  $1 < lim { s++ } END { printf "%d", 100 * s / NR }')
e2e_log "the effect is silent ${silent}% of the 4.5 s after the stop press"
[ "$silent" -ge 50 ] || fail "the effect is not silent in the winners' pauses (only ${silent}% of the time after ${press}s)"

# The music runs out by itself about 32 s after it started, effects or not.
ended=$(wait_run low "$(add "$music" 10)" below $SILENT 10 45) || fail "the music did not end (started at ${music}s)"
length=$(awk -v a="$ended" -v b="$music" 'BEGIN { printf "%.1f", a - b }')
e2e_log "music ended at ${ended}s after ${length}s"
awk -v l="$length" 'BEGIN { exit !(l > 30.5 && l < 34.5) }' \
  || fail "the music played ${length}s instead of its 32 s once from the beginning"

e2e_key F11
lists=$(e2e_wait_window "中奖名单") || fail "F11 did not open the winners list"
e2e_focus "$lists"
sleep 0.5
esc=$(pos)
[ -z "$(first_run low "$ended" above $LOUD_MUSIC 3)" ] || fail "the music sounded again before the reload"
e2e_key Escape
e2e_wait_gone "中奖名单" || fail "Esc did not close the winners list"
again=$(wait_run low "$esc" above $LOUD_MUSIC 3 10) || fail "the music did not start again when the winners list closed"
e2e_log "Esc on the winners list at ${esc}s, music again from ${again}s"
exit 0
