#!/usr/bin/env bash
# Times the ZIP reader (bench_zip_extract) against Debian's "unzip -o -qq" on
# archives in the old methods that unzip also decodes: shrunk, and imploded
# (4 KiB dictionary without the literal tree, and 8 KiB with it), each ~30 MB
# of mixed entries made by the test-only writers (kestro_legacy_zip). Prints
# the median times and the ratio ours/unzip per archive, in the same run.
#   bench/legacy_vs_unzip.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
build="${1:-build/linux}"
reps="${2:-7}"
ours="$build/bench/bench_zip_extract"
maker="$build/tests/differential/kestro_legacy_zip"
for exe in "$ours" "$maker"; do
  [ -x "$exe" ] || { echo "build $exe first (cmake --build --preset linux)" >&2; exit 1; }
done
command -v unzip >/dev/null || { echo "unzip is not installed (apt-get install unzip)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"

python3 - "$work/src" <<'PY'
import os, random, sys
random.seed(20240612)
out = sys.argv[1]
words = [w.encode() for w in "the slide picture effect music caption transition screen saver payload settings folder".split()]
def text(n):
    b = bytearray()
    while len(b) < n:
        b += random.choice(words) + (b"\r\n" if random.random() < 0.1 else b" ")
    return bytes(b[:n])
def picture(n):
    # Rows of a smooth gradient with grain, as an uncompressed bitmap holds.
    row = 3 * 640
    b = bytearray()
    y = 0
    while len(b) < n:
        b += bytes(((x // 3) + y + random.randrange(8)) & 0xFF for x in range(row))
        y += 1
    return bytes(b[:n])
total, i = 0, 0
while total < 30 * 1024 * 1024:
    size = random.choice([20_000, 90_000, 250_000, 600_000, 1_500_000])
    kind = i % 4
    data = text(size) if kind < 2 else picture(size) if kind == 2 else random.randbytes(size // 8) * 8
    with open(os.path.join(out, f"entry{i:03d}.dat"), "wb") as f:
        f.write(data)
    total += size
    i += 1
print(f"contents: {i} files, {total / 1048576:.1f} MB")
PY

ways="shrink implode implode8kLiterals"
for way in $ways; do
  "$maker" zip "$work/$way.zip" "$way" "$work"/src/*
  ls -l "$work/$way.zip" | awk -v w="$way" '{printf "%-18s archive %.1f MB\n", w, $5 / 1048576}'
done

archives=()
for way in $ways; do archives+=("$work/$way.zip"); done
python3 "$(dirname "$0")/extract_vs_unzip.py" "$ours" "$reps" "${archives[@]}"
