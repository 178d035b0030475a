#!/usr/bin/env bash
# Two monitors: Xvfb with two screens joined by Xinerama (RandR there sees
# one screen, so the monitors come from Xinerama). The show with
# ImageSameMonitor covers the first monitor and a mirror covers the second,
# showing the show's picture squeezed to its size. Xvfb lays both screens
# at 0,0: the mirror lies under the show until the test raises it. A click
# on the mirror ends the show.
source "$(dirname "$0")/lib.sh"
start_xvfb -screen 0 800x600x24 -screen 1 640x480x24 +xinerama
quarters "$dir/quarters.png"
make_saver "$dir/mirror" "Mirror Test" "$dir/quarters.png" -- --set Set.ImageInterval=1 --set Set.ImageSize=2 \
  --set Set.useeffects= --set Set.ImageSameMonitor=1
start_saver "$dir/mirror" /s
w=$(find_window mirror) || fail "no show window: $(cat "$dir/saver.log")"
[ "$(window_geometry "$w")" = "800x600+0+0" ] || fail "show window $(window_geometry "$w"), expected the first monitor"
mw=""
for _ in $(seq 50); do
  mw=$(xwininfo -root -tree | awk '/ 640x480\+0\+0 / {print $1}' | head -1)
  [ -n "$mw" ] && is_shown "$mw" && break
  sleep 0.1
done
[ -n "$mw" ] || fail "no mirror window covering the second monitor (640x480 at 0,0)"
pass "the show covers the first monitor, a mirror the second"

sleep 1.5
shot=$(screenshot monitors-show)
expect_pixel "$shot" 200 150 255,0,0 "the show"
expect_pixel "$shot" 600 450 255,255,0 "the show"
xdotool windowraise "$mw"
sleep 0.5
shot=$(screenshot monitors-mirror)
expect_pixel "$shot" 160 120 255,0,0 "the mirror"
expect_pixel "$shot" 480 120 0,0,255 "the mirror"
expect_pixel "$shot" 160 360 0,255,0 "the mirror"
expect_pixel "$shot" 480 360 255,255,0 "the mirror"
# Squeezed, not letterboxed: the quarters meet in the mirror's middle and
# reach its corners; beyond it the show shows again.
expect_pixel "$shot" 324 4 0,0,255 "the mirror"
expect_pixel "$shot" 2 477 0,255,0 "the mirror"
expect_pixel "$shot" 637 477 255,255,0 "the mirror"
expect_pixel "$shot" 700 550 255,255,0 "the show beside the mirror"
pass "the mirror shows the show's picture squeezed to the second monitor"

xdotool mousemove 100 100 click 1
wait_gone "$SAVER_PID" 10 || fail "a click on the mirror did not end the show"
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "a click on the mirror ends the show"
