#!/usr/bin/env bash
# Configures and builds the given presets (default: linux win64 win32),
# building the Windows picture libraries and libmpg123 first when a Windows preset needs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux win64 win32)
jobs=${KESTRO_JOBS:-2}
for preset in "${presets[@]}"; do
  case "$preset" in
    win64) [ ! -x scripts/build-windows-deps.sh ] || scripts/build-windows-deps.sh x86_64
           scripts/build-windows-mpg123.sh x86_64 ;;
    win32) [ ! -x scripts/build-windows-deps.sh ] || scripts/build-windows-deps.sh i686
           scripts/build-windows-mpg123.sh i686 ;;
  esac
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done
