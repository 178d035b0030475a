# The music heard for real, shared by the music tests of the Windows build
# (tests/wine) and of the Linux runtime (tests/x11). Sourced; the test
# defines fail.
SOUND_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Debian's python, which has Debian's numpy (another python may come first on PATH).
PY=/usr/bin/python3
PA_PID=""
HUM_PID=""
REC_PID=""

# start_sound_server DIR: a PulseAudio server of the test's own in DIR with
# one null sink, "kestro", the default; PULSE_SERVER names it.
start_sound_server() {
  local pa=$1 tool
  for tool in pulseaudio pactl pacat parec lame ffmpeg; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
  done
  "$PY" -c 'import numpy' 2>/dev/null || fail "python3-numpy is missing (scripts/setup.sh installs it)"
  mkdir -p "$pa"
  env HOME="$pa" XDG_RUNTIME_DIR="$pa" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes -L "module-native-protocol-unix auth-anonymous=1 socket=$pa/native" \
    -L "module-null-sink sink_name=kestro rate=44100" >"$pa.log" 2>&1 &
  PA_PID=$!
  export PULSE_SERVER="unix:$pa/native"
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || fail "the sound server did not start: $(tail -3 "$pa.log")"
  pactl set-default-sink kestro
  # Silence played into the sink all along keeps it running, so that the
  # recording runs in real time from its first moment.
  pacat --raw --format=s16le --rate=44100 --channels=1 -d kestro </dev/zero 2>/dev/null &
  HUM_PID=$!
}

# stop_sound_server: ends the recording, the silence and the server.
stop_sound_server() {
  stop_recording
  [ -z "$HUM_PID" ] || { kill "$HUM_PID" 2>/dev/null || true; wait "$HUM_PID" 2>/dev/null || true; }
  [ -z "$PA_PID" ] || { kill "$PA_PID" 2>/dev/null || true; wait "$PA_PID" 2>/dev/null || true; }
  HUM_PID=""
  PA_PID=""
}

# make_tracks DIR: three tones of 1.5 s, first.mp3 (440 Hz, stereo 44.1 kHz),
# second.wav (660 Hz), third.mp3 (880 Hz, mono 22.05 kHz, VBR).
make_tracks() {
  tone() { ffmpeg -v error -y -f lavfi -i "sine=frequency=$1:sample_rate=$2:duration=1.5" -ac "$3" "$4"; }
  tone 440 44100 2 "$1/a.wav" && lame --quiet -b 128 "$1/a.wav" "$1/first.mp3"
  tone 660 44100 2 "$1/second.wav"
  tone 880 22050 1 "$1/c.wav" && lame --quiet -V 4 "$1/c.wav" "$1/third.mp3"
}

# record FILE: records the sink, in the background, until stop_recording.
record() {
  parec -d kestro.monitor --format=s16le --rate=44100 --channels=1 --latency-msec=20 >"$1" 2>/dev/null &
  REC_PID=$!
}
stop_recording() {
  [ -n "$REC_PID" ] || return 0
  kill "$REC_PID" 2>/dev/null || true
  wait "$REC_PID" 2>/dev/null || true
  REC_PID=""
}

# segments FILE: the recording's tones and silences, one "NAME START END" a line.
segments() { "$PY" "$SOUND_HERE/../wine/tone_segments.py" "$1" 44100; }
# tones FILE: the tones heard, in order.
tones() { segments "$1" | awk '$1 != "silence" {print $1}' | tr '\n' ' '; }
# tones_begin HEARD EXPECTED: the heard tones begin with the expected ones, each within 1 %.
tones_begin() {
  "$PY" -c 'import sys
heard, want = sys.argv[1].split(), sys.argv[2].split()
sys.exit(0 if len(heard) >= len(want) and all(abs(float(h) - float(w)) <= 0.01 * float(w) for h, w in zip(heard, want)) else 1)' "$1" "$2"
}
# whole_tracks FILE WHAT: every track after the first lasted its 1.5 s (the
# recording may begin only with the first sound, so the first is not judged).
whole_tracks() {
  local len
  for len in $(segments "$1" | awk '$1 != "silence" && n++ > 0 {print $3 - $2}'); do
    "$PY" -c "import sys; sys.exit(0 if abs($len - 1.5) <= 0.15 else 1)" ||
      fail "$2: a track lasted ${len}s, not 1.5s: $(segments "$1" | tr "\n" ";")"
  done
}
