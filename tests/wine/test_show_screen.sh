#!/usr/bin/env bash
# "/s" covers the screen with the show: a borderless window as large as the
# screen, black around the pictures, changing from one configured picture to
# another; a key ends it, the process goes and TempRoot is left empty.
source "$(dirname "$0")/lib.sh"
scratch dir
trap 'stop_saver; rm -rf "$dir"' EXIT
unmanaged_windows

make_picture "$dir/red.png" "rgb(255,0,0)" 320x240
make_picture "$dir/green.jpg" "rgb(0,255,0)" 320x240
make_picture "$dir/blue.png" "rgb(0,0,255)" 320x240
make_saver "$dir/Show Test.scr" "Show Test" "$dir/red.png" "$dir/green.jpg" "$dir/blue.png" -- \
  --set Set.ImageInterval=1 --set Set.EffectSpeed2=1

start_saver "$dir/Show Test.scr" /s
w=$(find_window "Show Test") || fail "no show window"
screen=$(xwininfo -root | awk '/^  Width/{w=$NF} /^  Height/{h=$NF} END{print w "x" h}')
[ "$(window_geometry "$w")" = "$screen+0+0" ] || fail "show window $(window_geometry "$w"), screen $screen"
pass "the show window covers the screen ($screen)"

cx=$(( ${screen%x*} / 2 ))
cy=$(( ${screen#*x} / 2 ))
seen=""
sleep 1.5  # the first picture comes with the first tick
for i in $(seq 14); do
  screenshot "$dir/shot$i.png"
  c=$(pixel "$dir/shot$i.png" "$cx" "$cy")
  corner=$(pixel "$dir/shot$i.png" 5 5)
  [ "$corner" = "0,0,0" ] || fail "shot $i: the corner is $corner, not black"
  name=""
  near "$c" 255,0,0 && name=red
  near "$c" 0,255,0 && name=green
  near "$c" 0,0,255 && name=blue
  [ -n "$name" ] || fail "shot $i: the centre shows $c, none of the pictures"
  [[ " $seen " == *" $name "* ]] || seen="$seen $name"
  sleep 0.4
done
[ "$(wc -w <<<"$seen")" -ge 2 ] || fail "the pictures did not change (saw:$seen)"
pass "the pictures change over time (saw:$seen)"

xdotool key a
wait_gone "$SAVER_PID" 10 || fail "a key did not end the show"
SAVER_PID=""
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "a key ends the show; the process is gone and TempRoot is empty"
