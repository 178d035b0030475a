#!/usr/bin/env bash
# The Windows build loads pictures as on Linux (JPEG, PNG with flattening)
# and plays Windows metafiles through GDI: an enhanced metafile and a
# placeable old-style one become opaque bitmaps of their size on the colour.
source "$(dirname "$0")/lib.sh"
scratch dir
probe="$WINE_HELPERS/picture_probe.exe"
[ -x "$probe" ] || [ -f "$probe" ] || fail "picture_probe.exe not built"

# Colours print as 0xBBGGRR; the flattening colour is a green-grey.
color=80a040
check_load() {  # FILE EXPECTED_SIZE EXPECTED_COLOURS...
  local file=$1 size=$2
  shift 2
  local out
  out=$(wine "$probe" load "$(winepath -w "$file")" "$color" 10,10 85,50 60,10 2>/dev/null | tr -d '\r')
  [ "$(sed -n 1p <<<"$out")" = "$size" ] || fail "$(basename "$file"): size $(sed -n 1p <<<"$out"), expected $size"
  local i=2
  for want in "$@"; do
    [ "$(sed -n ${i}p <<<"$out")" = "$want" ] || fail "$(basename "$file"): pixel $((i - 1)) is $(sed -n ${i}p <<<"$out"), expected $want"
    i=$((i + 1))
  done
}

wine "$probe" make-emf "$(winepath -w "$dir/drawing.emf")" 2>/dev/null || fail "could not make an EMF"
check_load "$dir/drawing.emf" "100 60" 0000ff ff0000 "$color"
pass "enhanced metafile played and flattened onto the colour"

wine "$probe" make-wmf "$(winepath -w "$dir/drawing.wmf")" 2>/dev/null || fail "could not make a WMF"
check_load "$dir/drawing.wmf" "100 60" 0000ff ff0000 "$color"
pass "placeable metafile played and flattened onto the colour"

printf 'not a metafile at all' > "$dir/bad.emf"
out=$(wine "$probe" load "$(winepath -w "$dir/bad.emf")" "$color" 2>/dev/null | tr -d '\r')
[ "$out" = "error EInvalidGraphic: Metafile is not valid" ] || fail "bad metafile gave: $out"
pass "a damaged metafile raises EInvalidGraphic"

make_picture "$dir/red.jpg" red 120x90
check_load "$dir/red.jpg" "120 90"
out=$(wine "$probe" load "$(winepath -w "$dir/red.jpg")" "$color" 5,5 2>/dev/null | tr -d '\r' | sed -n 2p)
[[ "$out" =~ ^0[0-9a-f]0[0-9a-f]f[0-9a-f]$ ]] || fail "JPEG pixel is $out, expected red"
pass "JPEG decodes through the Windows build's libjpeg"

# Every picture library of the Windows build (libpng, giflib, libtiff, and
# the bitmap reader) decodes through the saver's own loader.
for ext in png gif tif bmp; do
  make_picture "$dir/blue.$ext" blue 70x40
  out=$(wine "$probe" load "$(winepath -w "$dir/blue.$ext")" "$color" 3,3 69,39 2>/dev/null | tr -d '\r')
  [ "$out" = "$(printf '70 40\nff0000\nff0000')" ] || fail "blue.$ext gave: $out"
done
pass "PNG, GIF, TIFF and BMP decode through the Windows build's libraries"
