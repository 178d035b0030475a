#!/usr/bin/env bash
# Runs every test: the native unit tests, the Linux runtime's end-to-end
# tests on X11 (Xvfb), the Windows build's end-to-end tests under wine, and
# a short run of each fuzz target.
# Installs what is missing first. Environment:
#   FUZZ_SECONDS   seconds per fuzz target (default 20; 0 skips fuzzing)
#   KESTRO_SKIP_WINE=1   skip the wine tests
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh" build windows run check fuzz bench
# win32 too: the resource test reads the i686 runtime beside the x86-64 one.
"$root/scripts/build.sh" linux win64 win32

echo "== unit tests (linux) (at ${SECONDS} s)"
ctest --preset linux -j2

echo "== end-to-end tests (linux on X11) (at ${SECONDS} s)"
"$root/tests/x11/run.sh" "$root/build/linux"

if [ "${KESTRO_SKIP_WINE:-0}" != 1 ]; then
  echo "== end-to-end tests (win64 under wine) (at ${SECONDS} s)"
  "$root/tests/wine/run.sh" "$root/build/win64" "$root/build/linux"
fi

fuzz_seconds=${FUZZ_SECONDS:-20}
if [ "$fuzz_seconds" -gt 0 ]; then
  echo "== fuzz targets (${fuzz_seconds}s each) (at ${SECONDS} s)"
  "$root/tests/fuzz/run.sh" "$fuzz_seconds"
fi
echo "== all tests passed (at ${SECONDS} s)"
