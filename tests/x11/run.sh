#!/usr/bin/env bash
# Runs the end-to-end tests of the Linux runtime on X11: screensavers made
# by kestro-build from the Linux runtime, run on a private Xvfb display,
# driven with xdotool and checked with screenshots. No wine.
# Usage: tests/x11/run.sh LINUX_BUILD_DIR [TEST...]
# TEST names the tests to run (test_show, or show); without any, every
# test_*.sh runs. The screenshots land in LINUX_BUILD_DIR/tests/x11/shots/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export LINUX_BUILD=$(cd "${1:?linux build folder}" && pwd)
shift
tests=()
for name in "$@"; do
  name=${name%.sh}
  tests+=("$here/test_${name#test_}.sh")
  [ -f "${tests[-1]}" ] || { echo "run.sh: no test ${tests[-1]}" >&2; exit 2; }
done
[ ${#tests[@]} -gt 0 ] || tests=("$here"/test_*.sh)
export SHOTS="$LINUX_BUILD/tests/x11/shots"
mkdir -p "$SHOTS"

failed=0
for t in "${tests[@]}"; do
  name=$(basename "$t" .sh)
  echo "-- $name"
  # A test that hangs fails instead of holding up the run.
  began=$SECONDS
  if ! timeout --kill-after=10 600 bash "$t"; then
    echo "FAILED: $name" >&2
    failed=1
  fi
  echo "   ($name: $((SECONDS - began)) s)"
done
exit $failed
