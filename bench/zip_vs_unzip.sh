#!/usr/bin/env bash
# Times the ZIP reader (bench_zip_extract) against Debian's "unzip -o -qq" on
# the same ~50 MB archive of a few hundred mixed entries, in the same run,
# and prints the median times and the ratio ours/unzip.
#   bench/zip_vs_unzip.sh [BUILD_DIR] [REPETITIONS]
set -euo pipefail
build="${1:-build/linux}"
reps="${2:-7}"
ours="$build/bench/bench_zip_extract"
[ -x "$ours" ] || { echo "build $ours first (cmake --build --preset linux)" >&2; exit 1; }
command -v unzip >/dev/null || { echo "unzip is not installed (apt-get install unzip)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 - "$work/bench.zip" <<'PY'
import random, sys, zipfile
random.seed(20240611)
words = [w.encode() for w in "the slide picture effect music caption transition screen saver payload settings folder".split()]
def text(n):
    out = bytearray()
    while len(out) < n:
        out += random.choice(words) + (b"\n" if random.random() < 0.1 else b" ")
    return bytes(out[:n])
total = 0
with zipfile.ZipFile(sys.argv[1], "w") as z:
    i = 0
    while total < 50 * 1024 * 1024:
        size = random.choice([4_000, 20_000, 90_000, 250_000, 600_000])
        if i % 3 == 0:
            data, method = random.randbytes(size), random.choice([zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED])
        else:
            data, method = text(size), zipfile.ZIP_DEFLATED
        z.writestr(zipfile.ZipInfo(f"entry{i:04d}.dat", (2021, 1, 2, 3, 4, 6)), data, compress_type=method)
        total += size
        i += 1
print(f"archive: {i} entries, {total / 1048576:.1f} MB uncompressed")
PY
ls -l "$work/bench.zip" | awk '{printf "archive size: %.1f MB\n", $5 / 1048576}'

python3 "$(dirname "$0")/extract_vs_unzip.py" "$ours" "$reps" "$work/bench.zip"
