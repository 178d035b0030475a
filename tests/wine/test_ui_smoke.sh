#!/usr/bin/env bash
# The window system of the Windows build: windows, timers, worker hand-offs, the filter.
source "$(dirname "$0")/lib.sh"
out=$(timeout 60 wine "$WINE_HELPERS/ui_smoke.exe" 2>&1) || { echo "$out"; fail "ui_smoke failed"; }
echo "$out" | sed 's/^/  /'
