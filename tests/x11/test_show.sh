#!/usr/bin/env bash
# "/s": the show covers the screen, its pictures change with their captions
# drawn, mouse moves do not end it (the default exit rules), a click does,
# and TempRoot is empty afterwards; the system's request to end (SIGTERM)
# ends it just as cleanly, and so does a key, and the end of the X server
# (the session ending under a running show).
source "$(dirname "$0")/lib.sh"
start_xvfb
convert -size 320x240 xc:"rgb(255,0,0)" "$dir/Alpha.png"
convert -size 320x240 xc:"rgb(0,0,255)" "$dir/Beta.png"
make_saver "$dir/show" "Show Test" "$dir/Alpha.png" "$dir/Beta.png" -- --set Set.ImageInterval=1 \
  --set Caption.Position=1
[ -x "$dir/show" ] || fail "kestro-build did not make the Linux screensaver executable"

start_saver "$dir/show" /s
w=$(find_window show) || fail "no show window: $(cat "$dir/saver.log")"
[ "$(window_geometry "$w")" = "1024x768+0+0" ] || fail "the show window is $(window_geometry "$w"), not the screen"
pass "the show window covers the screen"

# The centre turns red and blue in turn; a caption stands below the picture.
seen_red=0 seen_blue=0 caption=0
for i in $(seq 12); do
  shot=$(screenshot "show-$i")
  c=$(pixel "$shot" 512 384)
  near "$c" 255,0,0 && seen_red=1
  near "$c" 0,0,255 && seen_blue=1
  [ "$(bright_pixels "$shot" 312 506 400 40)" -gt 5 ] && caption=1
  [ $seen_red = 1 ] && [ $seen_blue = 1 ] && [ $caption = 1 ] && break
  sleep 0.6
done
[ $seen_red = 1 ] && [ $seen_blue = 1 ] || fail "the pictures do not change (red seen: $seen_red, blue seen: $seen_blue)"
[ $caption = 1 ] || fail "no caption below the picture"
expect_pixel "$shot" 20 20 0,0,0 "the show's background"
pass "the pictures change, each with its caption"

for i in $(seq 30); do xdotool mousemove $(( 300 + i % 2 * 9 )) $(( 200 + i )); sleep 0.02; done
sleep 0.3
kill -0 "$SAVER_PID" 2>/dev/null || fail "mouse moves ended the show (the default rules end it on a click or a key)"
[ "$(temp_root_files)" -gt 0 ] || fail "TempRoot holds no extracted file while the show runs"
xdotool click 1
wait_gone "$SAVER_PID" 10 || fail "a click did not end the show"
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "mouse moves leave the show running; a click ends it; TempRoot is empty"

start_saver "$dir/show" /s
find_window show >/dev/null || fail "no show window the second time"
sleep 1
kill -TERM "$SAVER_PID"
wait_gone "$SAVER_PID" 10 || fail "SIGTERM did not end the show"
[ "$(temp_root_files)" = 0 ] || fail "after SIGTERM TempRoot still holds $(temp_root_files) files"
pass "SIGTERM ends the show cleanly: TempRoot is empty"

start_saver "$dir/show" /s
find_window show >/dev/null || fail "no show window the third time"
sleep 0.5
xdotool key Escape
wait_gone "$SAVER_PID" 10 || fail "a key did not end the show (the show window has the keyboard)"
[ "$(temp_root_files)" = 0 ] || fail "after a key TempRoot still holds $(temp_root_files) files"
pass "a key ends the show"

start_saver "$dir/show" /s
find_window show >/dev/null || fail "no show window the fourth time"
sleep 1
[ "$(temp_root_files)" -gt 0 ] || fail "TempRoot holds no extracted file while the show runs"
kill "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null || true
XVFB_PID=""
wait_gone "$SAVER_PID" 10 || fail "the show went on without its X server"
[ "$(temp_root_files)" = 0 ] || fail "after the X server ended TempRoot still holds $(temp_root_files) files"
pass "the X server ending ends the show; TempRoot is empty"
