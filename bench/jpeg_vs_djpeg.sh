#!/usr/bin/env bash
# Times our JPEG loading (bench_jpeg_decode) against Debian's djpeg with the
# same decoder options (accurate integer IDCT, fancy upsampling, full size,
# 24-bit output) on one 4000 x 3000 quality-90 photo-like JPEG made at bench
# time, in the same run; prints the median times and the ratio ours/djpeg.
#   bench/jpeg_vs_djpeg.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
build="${1:-build/linux}"
reps="${2:-9}"
ours="$build/bench/bench_jpeg_decode"
[ -x "$ours" ] || { echo "build $ours first (cmake --build --preset linux)" >&2; exit 1; }
command -v djpeg >/dev/null || { echo "djpeg is not installed (apt-get install libjpeg-turbo-progs)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$ours" make 4000 3000 90 "$work/photo.jpg"
ls -l "$work/photo.jpg" | awk '{printf "test picture: 4000 x 3000, quality 90, %.1f MB\n", $5 / 1048576}'

python3 - "$ours" "$work/photo.jpg" "$reps" <<'PY'
import statistics, subprocess, sys, time
ours, photo, reps = sys.argv[1], sys.argv[2], int(sys.argv[3])
commands = {
    "ours": [ours, "decode", photo],
    "djpeg": ["djpeg", "-dct", "int", "-bmp", "-outfile", "/dev/null", photo],
}
times = {name: [] for name in commands}
for r in range(reps + 1):  # the first round warms the caches and is not counted
    for name, cmd in commands.items():
        start = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
        if r > 0:
            times[name].append(time.perf_counter() - start)
med = {n: statistics.median(t) for n, t in times.items()}
print(f"{reps} repetitions each")
for n in commands:
    print(f"median {n:5s}: {med[n] * 1000:8.1f} ms")
print(f"ratio ours/djpeg: {med['ours'] / med['djpeg']:.2f}")
PY
