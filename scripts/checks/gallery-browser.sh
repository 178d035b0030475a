#!/usr/bin/env bash
# Makes the effect gallery from the built-in photographs, checks that the
# page with its previews stays under 30 MB, loads it in headless Chromium
# and checks the screenshot: the tiles' photographs and caption bars are on
# it, not an empty page or broken images. Keeps the screenshot when a file
# name is given, to look at.
#   scripts/checks/gallery-browser.sh [BUILD_DIR] [SCREENSHOT.png]
set -euo pipefail
build="${1:-build/linux}"
effects="$build/tools/kestro-effects/kestro-effects"
[ -x "$effects" ] || { echo "build $effects first (cmake --build --preset linux)" >&2; exit 1; }
for tool in chromium convert identify; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh check)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$effects" gallery "$work/gallery"
bytes=$(du -sb "$work/gallery" | cut -f1)
echo "page and previews: $bytes bytes"
[ "$bytes" -lt 30000000 ] || fail "the gallery is $bytes bytes, more than 30 MB"
previews=$(find "$work/gallery/effects" -name '*.webp' | wc -l)
built=$("$effects" list | tail -1 | cut -d' ' -f1)
[ "$previews" = "$built" ] || fail "$previews previews for $built built effects"

shot="$work/shot.png"
timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --disable-background-networking \
  --disable-component-update --disable-sync --no-first-run --user-data-dir="$work/profile" \
  --hide-scrollbars --window-size=1280,1400 --timeout=2000 --screenshot="$shot" \
  "file://$work/gallery/index.html" >"$work/chromium.log" 2>&1 || { tail -5 "$work/chromium.log" >&2; fail "chromium failed"; }
[ -s "$shot" ] || fail "no screenshot"
[ -z "${2:-}" ] || cp "$shot" "$2"
[ "$(identify -format '%wx%h' "$shot")" = 1280x1400 ] || fail "screenshot of $(identify -format '%wx%h' "$shot")"
# Photographs give thousands of colours; a page of broken images a few dozen.
colours=$(convert "$shot" -format '%k' info:)
[ "$colours" -gt 5000 ] || fail "only $colours colours on the page: no previews shown"
# The first tile: its preview at the top left (the sky of either
# photograph, blue 190 by day or 93 in the evening, as the preview plays;
# the page and the tiles are 34 and 48), its caption bar below it.
sky=$(convert "$shot" -format '%[fx:int(255*p{100,160}.b)]' info:)
bar=$(convert "$shot" -format '%[hex:p{100,430}]' info:)
[ "$sky" -gt 75 ] || fail "no sky in the first preview (blue $sky)"
[ "${bar:0:6}" = 262A30 ] || fail "no caption bar under the first preview (colour $bar)"
echo "ok: $previews previews in $colours colours on the page; first tile shown with its caption"
