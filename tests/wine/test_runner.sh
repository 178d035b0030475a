#!/usr/bin/env bash
# The slideshow runner in a real window: pictures in order, the interval after
# each change, an interval of 0, destruction during a change.
source "$(dirname "$0")/lib.sh"
out=$(timeout 120 wine "$WINE_HELPERS/runner_show.exe" 2>&1) || { echo "$out"; fail "runner_show failed"; }
echo "$out" | sed 's/^/  /'
