#!/usr/bin/env bash
# Times "kestro-build make" on a folder of 200 photo-like JPEG pictures of
# 12 MP (4000 x 3000) against "zip -r" of the same folder, in the same run,
# and prints the median times and the ratio ours/zip. Both Deflate every
# file; the builder also decodes every picture with the runtime's loader.
# The pictures are made once (by bench_jpeg_decode, 20 qualities from 80 to
# 99, each copied ten times) into build/bench-cache/jpeg-12mp and kept.
#   bench/build_vs_zip.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
build="${1:-build/linux}"
reps="${2:-3}"
builder="$build/tools/kestro-build/kestro-build"
maker="$build/bench/bench_jpeg_decode"
for exe in "$builder" "$maker"; do
  [ -x "$exe" ] || { echo "build $exe first (cmake --build --preset linux)" >&2; exit 1; }
done
command -v zip >/dev/null || { echo "zip is not installed (apt-get install zip)" >&2; exit 1; }

cache="$(dirname "$build")/bench-cache/jpeg-12mp"
if [ "$(ls "$cache"/photo-*.jpg 2>/dev/null | wc -l)" != 200 ]; then
  echo "making 200 pictures of 4000 x 3000 in $cache (once)"
  rm -rf "$cache.part"
  mkdir -p "$cache.part"
  for q in $(seq 80 99); do
    "$maker" make 4000 3000 "$q" "$cache.part/base-$q.jpg"
    for copy in $(seq 0 9); do cp "$cache.part/base-$q.jpg" "$cache.part/photo-$q-$copy.jpg"; done
    rm "$cache.part/base-$q.jpg"
  done
  rm -rf "$cache"
  mv "$cache.part" "$cache"
fi
du -sm "$cache" | awk '{printf "pictures: 200 JPEG files of 4000 x 3000, %d MB\n", $1}'

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 - "$builder" "$cache" "$work" "$reps" <<'PY'
import os, statistics, subprocess, sys, time
builder, cache, work, reps = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
outputs = {"ours": os.path.join(work, "show.scr"), "zip": os.path.join(work, "show.zip")}
commands = {
    "ours": [builder, "make", "--runtime", builder, "--out", os.path.join(work, "show.scr"), "--title", "Bench",
             "--pictures", cache, "--quiet"],
    "zip": ["zip", "-q", "-r", os.path.join(work, "show.zip"), "."],
}
times = {name: [] for name in commands}
for r in range(reps + 1):  # the first round warms the caches and is not counted
    for name, cmd in commands.items():
        if os.path.exists(outputs[name]):
            os.remove(outputs[name])
        start = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, cwd=cache if name == "zip" else None)
        if r > 0:
            times[name].append(time.perf_counter() - start)
sizes = {n: os.path.getsize(f) for n, f in outputs.items()}
med = {n: statistics.median(t) for n, t in times.items()}
print(f"{reps} repetitions each")
for n in commands:
    print(f"median {n:4s}: {med[n]:7.2f} s   output {sizes[n] / 1048576:7.1f} MB")
print(f"ratio ours/zip: {med['ours'] / med['zip']:.2f}")
PY
