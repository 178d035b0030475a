#!/usr/bin/env bash
# The display component in a real window: a paced change, its end, Stop.
source "$(dirname "$0")/lib.sh"
out=$(timeout 120 wine "$WINE_HELPERS/vorelscreen_show.exe" 2>&1) || { echo "$out"; fail "vorelscreen_show failed"; }
echo "$out" | sed 's/^/  /'
