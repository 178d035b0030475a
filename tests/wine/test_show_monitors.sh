#!/usr/bin/env bash
# Several monitors: on a display of its own with two screens joined by
# Xinerama (and RandR off, so wine counts monitors through Xinerama), the
# show with ImageSameMonitor covers the first monitor and puts a mirror on
# the second that shows the show's picture squeezed to its size. Xvfb does
# not lay its screens side by side: both monitors start at 0,0, so the
# mirror lies under the show until the test raises it.
source "$(dirname "$0")/lib.sh"
scratch dir
XVFB_PID=""
finish() {
  stop_saver
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$dir"
}
trap finish EXIT

n=""
for d in $(seq 80 89); do
  if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then n=$d; break; fi
done
[ -n "$n" ] || fail "no free display number"
Xvfb ":$n" -screen 0 800x600x24 -screen 1 640x480x24 +xinerama -extension RANDR -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
# The wine processes of the other display go: this display gets its own.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
export DISPLAY=":$n"
unmanaged_windows

monitors=$(wine "$WINE_HELPERS/monitors.exe" | tr -d '\r')
count=$(grep -c . <<<"$monitors" || true)
if [ "$count" -lt 2 ]; then
  echo "  note: wine sees $count monitor(s) on a two-screen Xinerama display; the mirror is not checked"
  exit 0
fi
read -r ml mt mr mb < <(sed -n 2p <<<"$monitors")
pass "wine sees $count monitors; the second is ($ml, $mt, $mr, $mb)"

convert -size 400x300 xc:"rgb(255,0,0)" -fill "rgb(0,0,255)" -draw "rectangle 200,0 399,149" \
  -fill "rgb(0,255,0)" -draw "rectangle 0,150 199,299" -fill "rgb(255,255,0)" -draw "rectangle 200,150 399,299" \
  "$dir/quarters.png"
make_saver "$dir/Mirror Test.scr" "Mirror Test" "$dir/quarters.png" -- --set Set.ImageInterval=1 \
  --set Set.ImageSize=2 --set Set.useeffects=
start_saver "$dir/Mirror Test.scr" /s
w=$(find_window "Mirror Test") || fail "no show window"
[ "$(window_geometry "$w")" = "800x600+0+0" ] || fail "show window $(window_geometry "$w"), expected the first monitor"
mw=$(xwininfo -root -tree | grep -i '"mirror test.scr"' | grep " $(( mr - ml ))x$(( mb - mt ))+" | awk '{print $1}' | head -1)
[ -n "$mw" ] || fail "no mirror window of the second monitor's size"
[ "$(window_geometry "$mw")" = "$(( mr - ml ))x$(( mb - mt ))+$ml+$mt" ] || fail "mirror at $(window_geometry "$mw")"
pass "a mirror window covers the second monitor"

sleep 1.5
xdotool windowraise "$mw"
sleep 0.5
screenshot "$dir/mirror.png"
mw_=$(( mr - ml ))
mh_=$(( mb - mt ))
check() {  # X Y COLOUR (X, Y relative to the second monitor)
  local c
  c=$(pixel "$dir/mirror.png" $(( ml + $1 )) $(( mt + $2 )))
  near "$c" "$3" || fail "mirror at ($1, $2) shows $c, expected $3"
}
check $(( mw_ / 4 )) $(( mh_ / 4 )) 255,0,0
check $(( mw_ * 3 / 4 )) $(( mh_ / 4 )) 0,0,255
check $(( mw_ / 4 )) $(( mh_ * 3 / 4 )) 0,255,0
check $(( mw_ * 3 / 4 )) $(( mh_ * 3 / 4 )) 255,255,0
# Squeezed, not letterboxed: the quarters meet in the mirror's middle and
# reach its corners.
check $(( mw_ / 2 + 4 )) 4 0,0,255
check 2 $(( mh_ - 3 )) 0,255,0
check $(( mw_ - 3 )) $(( mh_ - 3 )) 255,255,0
pass "the mirror shows the show's picture squeezed to the second monitor"

xdotool mousemove 100 100 click 1
wait_gone "$SAVER_PID" 10 || fail "a click on the mirror did not end the show"
SAVER_PID=""
pass "a click on the mirror ends the show"
