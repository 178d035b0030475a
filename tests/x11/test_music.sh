#!/usr/bin/env bash
# The show's music heard for real on Linux: a screensaver built with an MP3,
# a WAV and another MP3 (three tones) plays into a PulseAudio null sink of
# its own, the MP3 files through libmpegdll.so from the payload, the WAV
# through GStreamer; recorded with parec and told apart by frequency. With
# LoopMusic off the three play in order and then nothing; with LoopMusic on
# the first comes again, and a click ends the show and the music together.
source "$(dirname "$0")/lib.sh"
for tool in pulseaudio pactl pacat parec lame ffmpeg; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done
PY=/usr/bin/python3
"$PY" -c 'import numpy' 2>/dev/null || fail "python3-numpy is missing (scripts/setup.sh run installs it)"
segments="$X11_HERE/../wine/tone_segments.py"
[ -f "$LINUX_BUILD/tools/mpegdll/libmpegdll.so" ] || fail "no $LINUX_BUILD/tools/mpegdll/libmpegdll.so"
start_xvfb

# A sound server of this test's own with one null sink.
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
# Silence played into the sink all along keeps the recording in real time.
pacat --raw --format=s16le --rate=44100 --channels=1 -d kestro </dev/zero 2>/dev/null &
keep $!

tone() { ffmpeg -v error -y -f lavfi -i "sine=frequency=$1:sample_rate=$2:duration=1.5" -ac "$3" "$4"; }
tone 440 44100 2 "$dir/a.wav" && lame --quiet -b 128 "$dir/a.wav" "$dir/first.mp3"
tone 660 44100 2 "$dir/second.wav"
tone 880 22050 1 "$dir/c.wav" && lame --quiet -V 4 "$dir/c.wav" "$dir/third.mp3"
convert -size 64x48 xc:black "$dir/black.png"

record() {
  parec -d kestro.monitor --format=s16le --rate=44100 --channels=1 --latency-msec=20 >"$1" 2>/dev/null &
  REC_PID=$!
  keep "$REC_PID"
}
stop_recording() { kill "$REC_PID" 2>/dev/null || true; wait "$REC_PID" 2>/dev/null || true; }
tones() { "$PY" "$segments" "$1" 44100 | awk '$1 != "silence" {print $1}' | tr '\n' ' '; }
# tones_begin HEARD EXPECTED: the heard tones begin with the expected ones, each within 1 %.
tones_begin() {
  "$PY" -c 'import sys
heard, want = sys.argv[1].split(), sys.argv[2].split()
sys.exit(0 if len(heard) >= len(want) and all(abs(float(h) - float(w)) <= 0.01 * float(w) for h, w in zip(heard, want)) else 1)' "$1" "$2"
}
show() {
  local name=$1
  shift
  local sets=(--set Set.ImageInterval=30)
  for s in "$@"; do sets+=(--set "Set.$s"); done
  make_saver "$dir/$name" "$name" "$dir/black.png" -- --music "$dir/first.mp3" --music "$dir/second.wav" \
    --music "$dir/third.mp3" "${sets[@]}"
  start_saver "$dir/$name" /s
  find_window "$name" >/dev/null || fail "$name: no show window: $(cat "$dir/saver.log")"
}
end_show() {
  xdotool click 1
  wait_gone "$SAVER_PID" 10 || fail "$1: a click did not end the show"
}

record "$dir/once.raw"
show music-once LoopMusic=0
sleep 9
stop_recording
end_show "LoopMusic off"
got=$(tones "$dir/once.raw")
tones_begin "$got" "440 660 880" && [ "$(wc -w <<<"$got")" = 3 ] ||
  fail "LoopMusic off: heard '$got', expected the tones 440 660 880 once"
for len in $("$PY" "$segments" "$dir/once.raw" 44100 | awk '$1 != "silence" && n++ > 0 {print $3 - $2}'); do
  "$PY" -c "import sys; sys.exit(0 if abs($len - 1.5) <= 0.15 else 1)" ||
    fail "LoopMusic off: a track lasted ${len}s, not 1.5s: $("$PY" "$segments" "$dir/once.raw" 44100 | tr "\n" ";")"
done
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic off: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic off: MP3 (libmpegdll.so), WAV (GStreamer), MP3 play whole, in order, then silence"

record "$dir/loop.raw"
show music-loop LoopMusic=1
sleep 9.5
end_show "LoopMusic on"
sleep 1
stop_recording
got=$(tones "$dir/loop.raw")
tones_begin "$got" "440 660 880 440" || fail "LoopMusic on: heard '$got', expected 440 660 880 440 ..."
tail_part=$("$PY" "$segments" "$dir/loop.raw" 44100 | tail -1)
[[ "$tail_part" == silence* ]] || fail "LoopMusic on: music still played after the show ended ($tail_part)"
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic on: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic on: the list starts over; a click ends the show and the music"
kill "$PA_PID" 2>/dev/null || true
wait "$PA_PID" 2>/dev/null || true
