#!/usr/bin/env bash
# The preview requests: "/p" with a host window's handle puts the live
# preview inside the host (frame and caption outside its area, the client
# area covering it) and ends when the host goes; "/p xyz" gives an ordinary
# 517 x 392 window running the show that closes like any window; the still
# preview draws its picture stretched to 152 x 112 at (4, 4); "/a 0" ends
# silently and "/a 1234" ends once the system's request is done.
source "$(dirname "$0")/lib.sh"
scratch dir
HOST_PID=""
trap 'stop_saver; [ -z "$HOST_PID" ] || kill "$HOST_PID" 2>/dev/null || true; rm -rf "$dir"' EXIT
unmanaged_windows

make_picture "$dir/red.png" "rgb(255,0,0)" 320x240
make_picture "$dir/blue.png" "rgb(0,0,255)" 320x240
make_saver "$dir/Preview Test.scr" "Preview Test" "$dir/red.png" "$dir/blue.png" -- --set Set.ImageInterval=1

# --- inside a host window
wine "$WINE_HELPERS/preview_host.exe" "$(winepath -w "$dir/host.txt")" "$(winepath -w "$dir/close.txt")" &
HOST_PID=$!
for _ in $(seq 100); do [ -s "$dir/host.txt" ] && break; sleep 0.1; done
host=$(tr -d '\r\n' < "$dir/host.txt")
[ -n "$host" ] || fail "the host did not start"
start_saver "$dir/Preview Test.scr" /p "$host"
status=""
for _ in $(seq 100); do
  [ -f "$dir/host.txt.status" ] && status=$(tr -d '\r' < "$dir/host.txt.status" | head -1)
  [ -n "$status" ] && break
  sleep 0.1
done
[ -n "$status" ] || fail "no preview window inside the host"
read -r _ left top right bottom visible <<<"$status"
[ "$visible" = 1 ] || fail "the preview window in the host is not visible"
# The frame lies outside: Left and Top are minus the frame's total width and
# height; the window then reaches 10 pixels past the host's size (152 x 112).
[ "$left" -lt 0 ] && [ "$top" -lt "$left" ] || fail "preview at $left,$top: frame not outside the host"
[ $(( right - left )) = $(( 152 - left + 10 )) ] || fail "preview width $(( right - left )), host 152, left $left"
[ $(( bottom - top )) = $(( 112 - top + 10 )) ] || fail "preview height $(( bottom - top )), host 112, top $top"
pass "the live preview lies in the host: ($left, $top, $right, $bottom) for a 152 x 112 host"
border=$(( -left / 2 ))
caption=$(( -top - 2 * border ))

# Whether the pictures reach the screen inside the host depends on the
# window system drawing a child window of another process.
sleep 2
screenshot "$dir/host.png"
hx=$(xwininfo -name "Kestro Preview Host" | awk '/Absolute upper-left X/{print $NF}')
hy=$(xwininfo -name "Kestro Preview Host" | awk '/Absolute upper-left Y/{print $NF}')
c=$(pixel "$dir/host.png" $(( hx + border + 50 + 76 )) $(( hy + border + caption + 50 + 56 )))
if near "$c" 255,0,0 || near "$c" 0,0,255; then
  pass "the host area shows the pictures ($c)"
else
  echo "  note: the host area shows $c: this window system does not draw a child window of another process"
fi

touch "$dir/close.txt"
wait_gone "$HOST_PID" 10 || fail "the host did not close"
HOST_PID=""
wait_gone "$SAVER_PID" 5 || fail "the preview did not end when its host went"
SAVER_PID=""
pass "the preview ends when its host goes"

# --- without a host
start_saver "$dir/Preview Test.scr" /p xyz
w=$(find_window "Preview Test") || fail "/p xyz: no window"
g=$(window_geometry "$w")
[ "${g%%+*}" = 517x392 ] || fail "/p xyz: window $g, expected 517x392 with its frame"
sleep 2
seen=""
for i in 1 2 3 4 5 6; do
  screenshot "$dir/p$i.png"
  x=$(awk -F+ '{print $2}' <<<"$g")
  y=$(awk -F+ '{print $3}' <<<"$g")
  c=$(pixel "$dir/p$i.png" $(( x + 258 )) $(( y + 200 )))
  near "$c" 255,0,0 && seen="$seen red"
  near "$c" 0,0,255 && seen="$seen blue"
  sleep 0.5
done
[[ "$seen" == *red* && "$seen" == *blue* ]] || fail "/p xyz: the window did not show both pictures (saw:$seen)"
pass "/p xyz: an ordinary 517 x 392 window running the show"
xdotool mousemove $(( x + 200 )) $(( y + 150 )) click 1 key Escape
sleep 0.5
is_shown "$w" || fail "/p xyz: input closed the preview"
xdotool key alt+F4
wait_gone "$SAVER_PID" 10 || fail "/p xyz: Alt+F4 did not close the preview"
SAVER_PID=""
pass "/p xyz: input does not end it, Alt+F4 closes it"

# --- the still preview
make_saver "$dir/Still Test.scr" "Still Test" "$dir/red.png" -- --file "$dir/blue.png" \
  --set Set.Build_UseStaticPreview=1 --set "Set.Build_StaticImage=(Resource) blue.png"
start_saver "$dir/Still Test.scr" /p xyz
w=$(find_window "Still Test") || fail "still preview: no window"
g=$(window_geometry "$w")
[ "${g%%+*}" = 696x480 ] || fail "still preview: window $g, expected 696x480"
sleep 1
screenshot "$dir/still.png"
x=$(( $(awk -F+ '{print $2}' <<<"$g") + border ))
y=$(( $(awk -F+ '{print $3}' <<<"$g") + border + caption ))
for p in "5 5" "155 5" "5 115" "155 115" "80 60"; do
  c=$(pixel "$dir/still.png" $(( x + ${p% *} )) $(( y + ${p#* } )))
  near "$c" 0,0,255 || fail "still preview: client $p shows $c, not the picture"
done
for p in "2 2" "158 60" "80 118" "400 300"; do
  c=$(pixel "$dir/still.png" $(( x + ${p% *} )) $(( y + ${p#* } )))
  [ "$c" = 0,0,0 ] || fail "still preview: client $p shows $c, not black"
done
pass "still preview: a 696 x 480 window with the picture at (4, 4), 152 x 112"
xdotool key alt+F4
wait_gone "$SAVER_PID" 10 || fail "still preview: Alt+F4 did not close it"
SAVER_PID=""

# --- the password change requests
start_saver "$dir/Preview Test.scr" /a 0
wait_gone "$SAVER_PID" 10 || fail "/a 0 did not end"
SAVER_PID=""
start_saver "$dir/Preview Test.scr" /a 1234
wait_gone "$SAVER_PID" 10 || fail "/a 1234 did not end"
SAVER_PID=""
[ -z "$(xdotool search --name '^Preview Test$' 2>/dev/null || true)" ] || fail "/a opened a window"
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "/a 0 and /a 1234 end without a window"
