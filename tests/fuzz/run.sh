#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a fixed time.
# Usage: tests/fuzz/run.sh SECONDS
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-20}
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${KESTRO_JOBS:-2}"
found=0
for exe in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  found=1
  name=$(basename "$exe")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  # A target may come with a seed maker: tests/fuzz/seeds_<target>.sh CORPUS
  if [ -x "tests/fuzz/seeds_$name.sh" ]; then "tests/fuzz/seeds_$name.sh" "$corpus" >/dev/null; fi
  echo "-- $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "$corpus" \
    > "build/fuzz/$name.log" 2>&1 || { tail -n 40 "build/fuzz/$name.log"; echo "fuzz target $name failed" >&2; exit 1; }
  grep -E '^stat::number_of_executed_units' "build/fuzz/$name.log" || true
done
[ "$found" = 1 ] || { echo "no fuzz targets were built" >&2; exit 1; }
