#!/usr/bin/env bash
# The X11 screensaver hack conventions and the preview: -window-id ID and
# the XSCREENSAVER_WINDOW variable draw the show into a window another
# program made, -root into the desktop, -window into a new window; input
# does not end them, SIGTERM does, cleanly. "/p ID" shows the live preview
# inside a host window and ends when the host goes.
source "$(dirname "$0")/lib.sh"
command -v xev >/dev/null || fail "xev is missing (scripts/setup.sh run installs x11-utils)"
start_xvfb
quarters "$dir/quarters.png"
make_saver "$dir/hack" "Hack Test" "$dir/quarters.png" -- --set Set.ImageInterval=1 --set Set.ImageSize=2 \
  --set Set.useeffects= --set Caption.Position=0

# host: a window of another program (xev), 400 x 300 at 50,50; HOST is its id.
host() {
  # Only its own structure events: with all of them selected xev would take
  # the map and move requests of the windows made inside it, as a window
  # manager does.
  xev -event structure -geometry 400x300+50+50 >/dev/null 2>&1 &
  HOST_PID=$!
  keep "$HOST_PID"
  HOST=""
  for _ in $(seq 50); do
    HOST=$(xwininfo -root -tree | awk '/"Event Tester"/ {print $1}' | head -1)
    [ -n "$HOST" ] && is_shown "$HOST" && return 0
    sleep 0.1
  done
  fail "xev made no window"
}

# quarters_at NAME X Y W H: the screenshot shows the quarters squeezed to that area.
quarters_at() {
  local shot
  shot=$(screenshot "$1")
  expect_pixel "$shot" $(( $2 + $4 * 3 / 4 )) $(( $3 + $5 / 4 )) 0,0,255 "$1"
  expect_pixel "$shot" $(( $2 + $4 / 4 )) $(( $3 + $5 * 3 / 4 )) 0,255,0 "$1"
  expect_pixel "$shot" $(( $2 + $4 * 3 / 4 )) $(( $3 + $5 * 3 / 4 )) 255,255,0 "$1"
  SHOT=$shot
}

# ends_on_sigterm WHAT: SIGTERM ends the saver, leaving TempRoot empty.
ends_on_sigterm() {
  kill -TERM "$SAVER_PID"
  wait_gone "$SAVER_PID" 10 || fail "$1: SIGTERM did not end it"
  [ "$(temp_root_files)" = 0 ] || fail "$1: TempRoot still holds $(temp_root_files) files"
}

host
start_saver "$dir/hack" -window-id "$HOST"
sleep 2
quarters_at hack-window-id 50 50 400 300
expect_pixel "$SHOT" 700 600 0,0,0 "outside the given window"
xdotool mousemove 300 200 click 1 key a
sleep 0.5
kill -0 "$SAVER_PID" 2>/dev/null || fail "-window-id: input ended the show (the daemon owns the exit rules)"
ends_on_sigterm "-window-id"
pass "-window-id draws into the given window, input leaves it running, SIGTERM ends it cleanly"

start_saver "$dir/hack" -window-id 0x3fffff0
wait_gone "$SAVER_PID" 10 || fail "-window-id of a window that does not exist: the show went on"
[ "$(temp_root_files)" = 0 ] || fail "-window-id of no window: TempRoot still holds $(temp_root_files) files"
pass "-window-id of a window that does not exist ends at once"

XSCREENSAVER_WINDOW=$HOST start_saver "$dir/hack"
sleep 2
quarters_at hack-xscreensaver-window 50 50 400 300
ends_on_sigterm "XSCREENSAVER_WINDOW"
kill "$HOST_PID"
wait "$HOST_PID" 2>/dev/null || true
pass "XSCREENSAVER_WINDOW names the window to draw into"

start_saver "$dir/hack" -root
sleep 2
quarters_at hack-root 0 0 1024 768
ends_on_sigterm "-root"
pass "-root draws into the desktop and ends on SIGTERM"

start_saver "$dir/hack" -window
w=$(find_window hack) || fail "-window: no window of its own"
sleep 1.5
geometry=$(window_geometry "$w")
[[ "$geometry" == 640x480+* ]] || fail "-window: a window of $geometry, expected 640 x 480"
read -r x y < <(sed 's/.*+\([0-9]*\)+\([0-9]*\)$/\1 \2/' <<<"$geometry")
quarters_at hack-window "$x" "$y" 640 480
ends_on_sigterm "-window"
pass "-window shows the show in a new window"

host
start_saver "$dir/hack" /p "$(( HOST ))"
sleep 2
# The client area runs 10 pixels past the host's right and bottom edges.
quarters_at preview 50 50 410 310
kill "$HOST_PID"
wait_gone "$SAVER_PID" 10 || fail "the preview did not end when its host went"
[ "$(temp_root_files)" = 0 ] || fail "preview: TempRoot still holds $(temp_root_files) files"
pass "/p shows the live preview inside the host window and ends when the host goes"
