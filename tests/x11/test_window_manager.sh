#!/usr/bin/env bash
# With a window manager (Openbox, which speaks EWMH): "/s" asks for full
# screen and the top of the stack through _NET_WM_STATE instead of going
# around the manager, covers the screen and the windows on it, takes the
# keyboard (a key ends it); "-window" gets the manager's frame.
source "$(dirname "$0")/lib.sh"
command -v openbox >/dev/null || fail "openbox is missing (scripts/setup.sh run installs it)"
command -v xprop >/dev/null || fail "xprop is missing (scripts/setup.sh run installs x11-utils)"
start_xvfb
openbox >"$dir/openbox.log" 2>&1 &
keep $!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || fail "openbox did not start: $(cat "$dir/openbox.log")"
convert -size 320x240 xc:"rgb(255,0,0)" "$dir/Red.png"
make_saver "$dir/managed" "Managed Test" "$dir/Red.png" -- --set Set.ImageInterval=5 --set Caption.Position=0

# Another program's window, managed, under the show to come.
xev -geometry 300x200+20+20 >/dev/null 2>&1 &
keep $!
find_window "Event Tester" >/dev/null || fail "xev made no window"

start_saver "$dir/managed" /s
w=$(find_window managed) || fail "no show window: $(cat "$dir/saver.log")"
sleep 1
[ "$(window_geometry "$w")" = "1024x768+0+0" ] || fail "the managed show window is $(window_geometry "$w")"
state=$(xprop -id "$w" _NET_WM_STATE)
[[ "$state" == *_NET_WM_STATE_FULLSCREEN* && "$state" == *_NET_WM_STATE_ABOVE* ]] || fail "window state: $state"
[ "$(xprop -id "$w" WM_CLASS)" = 'WM_CLASS(STRING) = "kestro-saver", "Kestro"' ] || fail "$(xprop -id "$w" WM_CLASS)"
shot=$(screenshot managed-show)
expect_pixel "$shot" 512 384 255,0,0 "the show"
expect_pixel "$shot" 100 100 0,0,0 "the show over xev's window"
pass "the show asks the manager for full screen and the top, and covers the other windows"

xdotool key space
wait_gone "$SAVER_PID" 10 || fail "a key did not end the managed show"
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "the show has the keyboard: a key ends it"

start_saver "$dir/managed" -window
w=$(find_window managed) || fail "-window: no window"
parent=$(xwininfo -id "$w" -children | awk '/Parent window id/ {print $4}')
root=$(xwininfo -root | awk '/Window id/ {print $4}')
[ "$parent" != "$root" ] || fail "-window: the manager gave the window no frame"
kill -TERM "$SAVER_PID"
wait_gone "$SAVER_PID" 10 || fail "-window: SIGTERM did not end it"
pass "-window is a managed window with the manager's frame"
