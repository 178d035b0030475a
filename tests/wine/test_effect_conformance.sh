#!/usr/bin/env bash
# The rectangle-copy effects draw the frames GDI draws: every effect of the
# family, every progress value on small and middle sizes, the telling ones on
# larger sizes and at 1920 x 1080, and seeded random sizes, compared whole
# frame by whole frame with StretchBlt doing the same copies.
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
