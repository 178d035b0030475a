#!/usr/bin/env bash
# The exit rules of the show in a real window, driven with xdotool:
# default settings end on a click and not on moves; MouseMove ends on the
# 21st move within one 3-second period; OnlyEscKeyExit only on Esc; with
# every exit setting clear any key still ends it. A show ended by input
# leaves TempRoot empty and its process gone.
source "$(dirname "$0")/lib.sh"
scratch dir
trap 'stop_saver; rm -rf "$dir"' EXIT
unmanaged_windows
make_picture "$dir/red.png" "rgb(255,0,0)" 320x240

# show_with NAME SETTING...: builds and starts a show; W is its window.
show_with() {
  local name=$1
  shift
  local sets=(--set Set.ImageInterval=1)
  for s in "$@"; do sets+=(--set "Set.$s"); done
  make_saver "$dir/$name.scr" "$name" "$dir/red.png" -- "${sets[@]}"
  start_saver "$dir/$name.scr" /s
  W=$(find_window "$name") || fail "$name: no show window"
  sleep 0.5
}
still_running() {
  sleep 0.3
  is_shown "$W" && kill -0 "$SAVER_PID" 2>/dev/null || fail "$1"
}
ended() {
  for _ in $(seq 100); do is_shown "$W" || break; sleep 0.05; done
  is_shown "$W" && fail "$1"
  wait_gone "$SAVER_PID" 10 || fail "$1: the process did not end"
  SAVER_PID=""
  [ "$(temp_root_files)" = 0 ] || fail "$1: TempRoot still holds $(temp_root_files) files"
}

show_with Defaults
moves 60
still_running "default settings: mouse moves ended the show"
xdotool click 2
still_running "default settings: the middle button ended the show"
xdotool click 1
ended "default settings: a click did not end the show"
pass "default settings: moves and the middle button do nothing, a click ends the show"

# MouseMove: twenty moves in each timer period are tolerated; after a pause
# longer than the period the allowance is whole again and the 21st move of
# a burst ends the show. A timer tick can fall inside the burst (the count
# then starts again at that point): such a trial is run again.
ends_at=""
for trial in 1 2 3 4 5 6 7 8; do
  show_with "Mouse Move" MouseMove=1
  # The window appearing under the pointer brings moves of the system's
  # own: they count in the first period only.
  sleep 3.1
  for round in 1 2 3; do
    moves 20
    still_running "MouseMove: 20 moves within a period ended the show"
    sleep 3.1
  done
  n=0
  for i in $(seq 45); do
    xdotool mousemove $(( 300 + (i % 2) * 7 )) $(( 250 + i % 13 ))
    n=$i
    # From the 21st move on, give the show time to act on a move before the
    # next one, so that a late close is not counted against a later move.
    if [ "$i" -ge 21 ]; then
      for _ in $(seq 10); do is_shown "$W" || break; sleep 0.05; done
    fi
    is_shown "$W" || break
  done
  is_shown "$W" && fail "MouseMove: 45 moves did not end the show"
  [ "$n" -ge 21 ] || fail "MouseMove: the show ended at move $n of a burst"
  ended "MouseMove: the show did not end"
  ends_at="$ends_at $n"
  [ "$n" = 21 ] && break
done
[[ " $ends_at " == *" 21 "* ]] || fail "MouseMove: no burst ended at its 21st move (ended at:$ends_at)"
pass "MouseMove: 20 moves per period are tolerated, the 21st of a burst ends the show (bursts ended at:$ends_at)"

show_with "Esc Only" OnlyEscKeyExit=1 MouseMove=1 MousePress=1 KeyboardPress=1
moves 40
xdotool click 1
xdotool click 3
xdotool key a
xdotool key Return
still_running "OnlyEscKeyExit: other input ended the show"
xdotool key Escape
ended "OnlyEscKeyExit: Esc did not end the show"
pass "OnlyEscKeyExit: moves, clicks and other keys do nothing, Esc ends the show"

show_with "All Clear" MouseMove=0 MousePress=0 KeyboardPress=0 OnlyEscKeyExit=0
moves 40
xdotool click 1
xdotool click 3
still_running "every exit setting clear: the mouse ended the show"
xdotool key x
ended "every exit setting clear: a key did not end the show"
pass "every exit setting clear: the mouse does nothing, any key ends the show"

show_with "Cursor Shown" ShowCursor=1 KeyboardPress=0
moves 40
xdotool click 1
still_running "ShowCursor: the mouse ended the show"
xdotool key b
ended "ShowCursor: a key did not end the show"
pass "ShowCursor: the mouse does nothing, a key ends the show even with KeyboardPress clear"
