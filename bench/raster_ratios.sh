#!/usr/bin/env bash
# Runs the raster frame benchmark and prints each case as a multiple of the
# floor (two full-frame memory copies) measured in the same run.
# Usage: bench/raster_ratios.sh [BUILD_DIR]   (default build/linux)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
exe="$build/bench/kestro_bench_raster"
[ -x "$exe" ] || { echo "raster_ratios.sh: $exe not built" >&2; exit 1; }
"$exe" --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null | awk -F, '
  /^"/ { gsub(/"/, "", $1); name[++n] = $1; t[n] = $3; if ($1 == "Floor_TwoFrameCopies") floor = $3 }
  END {
    if (floor == 0) { print "no floor measured" > "/dev/stderr"; exit 1 }
    printf "%-28s %12s %8s\n", "case", "ns/frame", "x floor"
    for (i = 1; i <= n; ++i) printf "%-28s %12.0f %8.2f\n", name[i], t[i], t[i] / floor
  }'
