#!/usr/bin/env bash
# Times our decoder library decoding a 5-minute 320 kbit/s stereo MP3 (made
# at bench time with lame) to a WAV file through its pcmfile output against
# `mpg123 -t` (decoding only) on the same file, in the same run; prints the
# median times and the ratio ours/mpg123 (near 1: the decoder is the same
# libmpg123). Then plays a 10-second track into a PulseAudio null sink of
# its own and prints the process's CPU share while it plays, against the
# share of `mpg123` playing the same track into the same sink.
#   bench/mpegdll_vs_mpg123.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
build="${1:-build/linux}"
reps="${2:-5}"
lib="$build/tools/mpegdll/libmpegdll.so"
[ -f "$lib" ] || { echo "build $lib first (cmake --build --preset linux)" >&2; exit 1; }
for tool in lame mpg123 ffmpeg pulseaudio; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh)" >&2; exit 1; }
done
PY=/usr/bin/python3

work="$(mktemp -d)"
PA_PID=""
trap '[ -z "$PA_PID" ] || kill "$PA_PID" 2>/dev/null; rm -rf "$work"' EXIT
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=300" \
  -f lavfi -i "anoisesrc=color=pink:sample_rate=44100:duration=300:amplitude=0.2" \
  -filter_complex amerge=inputs=2 -ac 2 "$work/long.wav"
lame --quiet -b 320 "$work/long.wav" "$work/long.mp3"
ls -l "$work/long.mp3" | awk '{printf "test file: 5 minutes, 320 kbit/s stereo, %.1f MB\n", $5 / 1048576}'

"$PY" - "$lib" "$work" "$reps" <<'PY'
import ctypes, statistics, subprocess, sys, time
lib, work, reps = ctypes.CDLL(sys.argv[1]), sys.argv[2], int(sys.argv[3])
assert lib.init() & 0xFF
def ours():
    lib.SetOutputDevice(2, (work + "/ours.wav").encode())
    lib.Open(ctypes.create_string_buffer((work + "/long.mp3").encode(), 512), 0, *([None] * 7))
    flag = ctypes.c_uint8(0)
    assert lib.LastError() == 0 and lib.Play(0, 0, ctypes.byref(flag)) == 0
    while not flag.value:
        time.sleep(0.001)
    lib.Close()
def theirs():
    subprocess.run(["mpg123", "-q", "-t", work + "/long.mp3"], check=True)
times = {"ours": [], "mpg123": []}
for r in range(reps + 1):  # the first round warms the caches and is not counted
    for name, run in (("ours", ours), ("mpg123", theirs)):
        start = time.perf_counter()
        run()
        if r > 0:
            times[name].append(time.perf_counter() - start)
med = {n: statistics.median(t) for n, t in times.items()}
print(f"{reps} repetitions each (ours includes opening, the length scan and writing the WAV)")
for n in times:
    print(f"median {n:6s}: {med[n] * 1000:8.1f} ms")
print(f"ratio ours/mpg123: {med['ours'] / med['mpg123']:.2f}")
PY

# CPU share while playing into a null sink.
pa="$work/pa"
mkdir -p "$pa"
env HOME="$pa" XDG_RUNTIME_DIR="$pa" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --disable-shm=yes -L "module-native-protocol-unix auth-anonymous=1 socket=$pa/native" \
  -L "module-null-sink sink_name=bench" >/dev/null 2>&1 &
PA_PID=$!
export PULSE_SERVER="unix:$pa/native"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink bench
ffmpeg -v error -y -i "$work/long.mp3" -t 10 -c copy "$work/ten.mp3"
"$PY" - "$lib" "$work/ten.mp3" <<'PY'
import ctypes, os, resource, subprocess, sys, time
lib, track = ctypes.CDLL(sys.argv[1]), sys.argv[2]
assert lib.init() & 0xFF
lib.SetOutputDevice(0, b"")
lib.Open(ctypes.create_string_buffer(track.encode(), 512), 0, *([None] * 7))
flag = ctypes.c_uint8(0)
t0, c0 = time.perf_counter(), resource.getrusage(resource.RUSAGE_SELF)
assert lib.LastError() == 0 and lib.Play(0, 0, ctypes.byref(flag)) == 0
while not flag.value:
    time.sleep(0.05)
t1, c1 = time.perf_counter(), resource.getrusage(resource.RUSAGE_SELF)
lib.Close()
ours_wall = t1 - t0
ours = (c1.ru_utime + c1.ru_stime - c0.ru_utime - c0.ru_stime) / ours_wall
c0 = resource.getrusage(resource.RUSAGE_CHILDREN)
t0 = time.perf_counter()
subprocess.run(["mpg123", "-q", "-o", "pulse", track], check=True)
t2 = time.perf_counter()
c1 = resource.getrusage(resource.RUSAGE_CHILDREN)
theirs = (c1.ru_utime + c1.ru_stime - c0.ru_utime - c0.ru_stime) / (t2 - t0)
print(f"playing 10 s: ours {ours_wall:.2f} s wall, CPU share {ours * 100:.2f} %; "
      f"mpg123 {t2 - t0:.2f} s wall, CPU share {theirs * 100:.2f} %; ratio ours/mpg123: {ours / theirs:.2f}")
PY
