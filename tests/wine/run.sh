#!/usr/bin/env bash
# Runs the end-to-end tests of the Windows build under wine64.
# Usage: tests/wine/run.sh WIN64_BUILD_DIR LINUX_BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export WIN64_BUILD=${1:?win64 build folder}
export LINUX_BUILD=${2:?linux build folder}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# A display for the window tests: the user's, or a private Xvfb.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 99); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      break
    fi
  done
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "-- creating wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi

failed=0
for t in "$here"/test_*.sh; do
  name=$(basename "$t" .sh)
  echo "-- $name"
  if ! bash "$t"; then
    echo "FAILED: $name" >&2
    failed=1
  fi
done
exit $failed
