#!/usr/bin/env bash
# The raster engine draws what GDI draws: stretch and plain copies, regions
# (rectangles, rounded rectangles, winding polygons, their combinations),
# clipped draws, pattern fills and transparent draws, compared pixel for
# pixel over thousands of seeded random cases.
source "$(dirname "$0")/lib.sh"
exe="$WIN64_BUILD/tests/gdi/gdi_conformance.exe"
[ -f "$exe" ] || fail "gdi_conformance.exe not built"
out=$(wine "$exe" --cases 4000 --seed 20240531 | tr -d '\r') || { echo "$out" | grep -A1 FAILED | head -40 >&2; fail "raster differs from GDI"; }
summary=$(echo "$out" | tail -1)
echo "$summary" | grep -q ' 0 failed' || fail "no summary: $summary"
pass "$summary"
# Full-screen sizes: large stretch factors and shapes reaching far outside.
out=$(wine "$exe" --cases 400 --seed 1920 --max-size 1920 | tr -d '\r') || { echo "$out" | grep -A1 FAILED | head -40 >&2; fail "raster differs from GDI at large sizes"; }
pass "large sizes: $(echo "$out" | tail -1)"
