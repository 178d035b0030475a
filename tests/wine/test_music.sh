#!/usr/bin/env bash
# The show's music heard for real: a screensaver built by kestro-build with
# an MP3, a WAV and another MP3 (three tones) plays under wine into a
# PulseAudio null sink of its own, recorded with parec and told apart by
# frequency. With LoopMusic off the three play in order and then nothing;
# with LoopMusic on the first comes again; a click ends the show and the
# music together and leaves TempRoot empty.
source "$(dirname "$0")/lib.sh"
scratch dir
PA_PID=""
REC_PID=""
HUM_PID=""
cleanup() {
  stop_saver
  [ -z "$REC_PID" ] || kill "$REC_PID" 2>/dev/null || true
  [ -z "$HUM_PID" ] || kill "$HUM_PID" 2>/dev/null || true
  # The wine processes hold the sound server's connection: end them first.
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$PA_PID" ] || kill "$PA_PID" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
for tool in pulseaudio parec lame; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done
# Debian's python, which has Debian's numpy (another python may come first on PATH).
PY=/usr/bin/python3
"$PY" -c 'import numpy' 2>/dev/null || fail "python3-numpy is missing (scripts/setup.sh installs it)"
[ -f "$WIN64_BUILD/tools/mpegdll/mpegdll.dll" ] || fail "no $WIN64_BUILD/tools/mpegdll/mpegdll.dll"

# A sound server of this test's own, with one null sink; wine plays into it.
pa="$dir/pa"
mkdir -p "$pa"
env HOME="$pa" XDG_RUNTIME_DIR="$pa" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --disable-shm=yes -L "module-native-protocol-unix auth-anonymous=1 socket=$pa/native" \
  -L "module-null-sink sink_name=kestro rate=44100" >"$dir/pa.log" 2>&1 &
PA_PID=$!
export PULSE_SERVER="unix:$pa/native"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || fail "the sound server did not start: $(tail -3 "$dir/pa.log")"
pactl set-default-sink kestro
# Silence played into the sink all along keeps it running, so that the
# recording runs in real time from its first moment.
pacat --raw --format=s16le --rate=44100 --channels=1 -d kestro </dev/zero &
HUM_PID=$!
wineserver -k >/dev/null 2>&1 || true  # a wine started before knows no sound server
unmanaged_windows

# Three tones of 1.5 s: 440 Hz as MP3 (stereo 44.1 kHz), 660 Hz as WAV,
# 880 Hz as MP3 (mono 22.05 kHz, VBR).
tone() { ffmpeg -v error -y -f lavfi -i "sine=frequency=$1:sample_rate=$2:duration=1.5" -ac "$3" "$4"; }
tone 440 44100 2 "$dir/a.wav" && lame --quiet -b 128 "$dir/a.wav" "$dir/first.mp3"
tone 660 44100 2 "$dir/second.wav"
tone 880 22050 1 "$dir/c.wav" && lame --quiet -V 4 "$dir/c.wav" "$dir/third.mp3"
make_picture "$dir/black.png" black 64x48

# record SECONDS FILE: records the sink for that long, in the background.
record() {
  parec -d kestro.monitor --format=s16le --rate=44100 --channels=1 --latency-msec=20 >"$2" &
  REC_PID=$!
}
stop_recording() {
  kill "$REC_PID" 2>/dev/null || true
  wait "$REC_PID" 2>/dev/null || true
  REC_PID=""
}
tones() { "$PY" "$WINE_HERE/tone_segments.py" "$1" 44100 | awk '$1 != "silence" {print $1}' | tr '\n' ' '; }
# tones_begin HEARD EXPECTED: the heard tones begin with the expected ones, each within 1 %.
tones_begin() {
  "$PY" -c 'import sys
heard, want = sys.argv[1].split(), sys.argv[2].split()
sys.exit(0 if len(heard) >= len(want) and all(abs(float(h) - float(w)) <= 0.01 * float(w) for h, w in zip(heard, want)) else 1)' "$1" "$2"
}

# show NAME SETTING...: builds the show with the three tracks and starts it.
show() {
  local name=$1
  shift
  local sets=(--set Set.ImageInterval=30)
  for s in "$@"; do sets+=(--set "Set.$s"); done
  make_saver "$dir/$name.scr" "$name" "$dir/black.png" -- --music "$dir/first.mp3" --music "$dir/second.wav" \
    --music "$dir/third.mp3" "${sets[@]}"
  start_saver "$dir/$name.scr" /s
  W=$(find_window "$name") || fail "$name: no show window"
}
end_show() {
  xdotool click 1
  for _ in $(seq 100); do is_shown "$W" || break; sleep 0.05; done
  is_shown "$W" && fail "$1: a click did not end the show"
  wait_gone "$SAVER_PID" 10 || fail "$1: the process did not end"
  SAVER_PID=""
}

record 0 "$dir/once.raw"
show "Music Once" LoopMusic=0
# Three tracks of 1.5 s, each end noticed within a second, then silence.
sleep 9
stop_recording
end_show "LoopMusic off"
got=$(tones "$dir/once.raw")
tones_begin "$got" "440 660 880" && [ "$(wc -w <<<"$got")" = 3 ] || fail "LoopMusic off: heard '$got', expected the tones 440 660 880 once"
last_end=$("$PY" "$WINE_HERE/tone_segments.py" "$dir/once.raw" 44100 | awk '$1 != "silence" {e=$3} END {print e}')
total=$("$PY" -c "import os; print(os.path.getsize('$dir/once.raw') / 88200)")
"$PY" -c "import sys; sys.exit(0 if $total - $last_end >= 1.5 else 1)" ||
  fail "LoopMusic off: something played after the last track (it ended at ${last_end}s of ${total}s)"
# Each track plays to its last sample before the device closes. (The
# recording may begin only with the first sound, so the first track's
# start can be cut: its length is not judged.)
for len in $("$PY" "$WINE_HERE/tone_segments.py" "$dir/once.raw" 44100 | awk '$1 != "silence" && n++ > 0 {print $3 - $2}'); do
  "$PY" -c "import sys; sys.exit(0 if abs($len - 1.5) <= 0.15 else 1)" || fail "LoopMusic off: a track lasted ${len}s, not 1.5s: $("$PY" "$WINE_HERE/tone_segments.py" "$dir/once.raw" 44100 | tr "\n" ";")"
done
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic off: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic off: MP3, WAV, MP3 play whole, in order, then silence"

record 0 "$dir/loop.raw"
show "Music Loop" LoopMusic=1
sleep 9.5
# A click while the music plays ends the show and the music at once.
end_show "LoopMusic on"
sleep 1
stop_recording
got=$(tones "$dir/loop.raw")
tones_begin "$got" "440 660 880 440" || fail "LoopMusic on: heard '$got', expected 440 660 880 440 ..."
tail_silence=$("$PY" "$WINE_HERE/tone_segments.py" "$dir/loop.raw" 44100 | tail -1)
[[ "$tail_silence" == silence* ]] || fail "LoopMusic on: music still played after the show ended ($tail_silence)"
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic on: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic on: the list starts over; a click ends the show and the music, TempRoot is empty"
