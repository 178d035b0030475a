#!/usr/bin/env bash
# The caption text service of the Windows build: GDI fonts measured and drawn
# onto 24-bit pixels, checked against GDI's own metrics. Wine's own Windows
# fonts (MS Sans Serif, Tahoma; package fonts-wine) are added for the test
# process, as this wine does not load them by itself.
source "$(dirname "$0")/lib.sh"
exe="$WINE_HELPERS/caption_text.exe"
[ -f "$exe" ] || fail "caption_text.exe not built"
fonts=/usr/share/wine/fonts
[ -f "$fonts/tahoma.ttf" ] || fail "wine's fonts are missing (package fonts-wine)"
out=$(timeout 120 wine "$exe" "$(winepath -w "$fonts" 2>/dev/null)" 2>&1 | tr -d '\r') || {
  echo "$out" | sed 's/^/  /'
  fail "caption text checks failed"
}
echo "$out" | sed 's/^/  /'
echo "$out" | tail -1 | grep -q '^all caption checks passed$' || fail "no summary"
pass "caption text"
