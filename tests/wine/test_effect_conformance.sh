#!/usr/bin/env bash
# Every built effect draws the frames GDI draws: the progress values of a
# change on small and middle sizes, the telling ones and several steps on
# larger sizes and at 1024 x 768 and 1920 x 1080, and seeded random sizes,
# steps and progress values, compared whole frame by whole frame with GDI
# doing the same copies (StretchBlt) or drawing through the same clip
# (CreateRectRgn, CombineRgn, SelectClipRgn, BitBlt), and the shared random
# generator ends each frame where GDI's description of it left it.
source "$(dirname "$0")/lib.sh"
exe="$WIN64_BUILD/tests/gdi/effect_conformance.exe"
[ -f "$exe" ] || fail "effect_conformance.exe not built"
out=$(wine "$exe" --random 3000 --seed 20240612 --large | tr -d '\r') || {
  echo "$out" | grep -A4 FAILED | head -60 >&2
  fail "effect frames differ from GDI"
}
summary=$(echo "$out" | tail -1)
echo "$summary" | grep -q ' 0 failed' || fail "no summary: $summary"
pass "$summary"
