#!/usr/bin/env bash
# Runs the end-to-end tests of the Windows build under wine64.
# Usage: tests/wine/run.sh WIN64_BUILD_DIR LINUX_BUILD_DIR [TEST...]
# TEST names the tests to run (test_settings_dialog, or settings_dialog);
# without any, every test_*.sh runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export WIN64_BUILD=${1:?win64 build folder}
export LINUX_BUILD=${2:?linux build folder}
shift 2
tests=()
for name in "$@"; do
  name=${name%.sh}
  tests+=("$here/test_${name#test_}.sh")
  [ -f "${tests[-1]}" ] || { echo "run.sh: no test ${tests[-1]}" >&2; exit 2; }
done
[ ${#tests[@]} -gt 0 ] || tests=("$here"/test_*.sh)
# shellcheck source=../../scripts/lib/wine-env.sh
source "$root/scripts/lib/wine-env.sh"
wine_env "$root"

# A display for the window tests: the user's, or a private Xvfb.
start_display 90 99 || { echo "run.sh: no free display number for Xvfb" >&2; exit 1; }
trap stop_wine_env EXIT
make_wine_prefix "-- creating wine prefix $WINEPREFIX"

failed=0
for t in "${tests[@]}"; do
  name=$(basename "$t" .sh)
  echo "-- $name"
  began=$SECONDS
  # A test that hangs fails instead of holding up the run.
  if ! timeout --kill-after=10 1500 bash "$t"; then
    echo "FAILED: $name" >&2
    failed=1
  fi
  echo "   ($name: $((SECONDS - began)) s)"
done
exit $failed
