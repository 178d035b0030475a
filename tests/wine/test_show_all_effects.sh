#!/usr/bin/env bash
# A whole show whose enabled set is every effect number, 1 to 150: 300
# changes of picture (one-second interval, fastest speed, screen-sized
# pictures shown in order) without a fault. The show draws from the built
# effects only, so once every family is built this is all 150.
#
# A change is counted when the middle of the screen shows a picture that is
# neither the one it showed last nor the one before: with three pictures
# in order that is the next one. Effects that draw a fresh random pattern
# every frame may show the old picture again for a moment; that is no change.
source "$(dirname "$0")/lib.sh"
scratch dir
trap 'stop_saver; rm -rf "$dir"' EXIT
unmanaged_windows

CHANGES=${KESTRO_ALL_EFFECTS_CHANGES:-300}
gradient_pictures "$dir"
all=$(seq -s, 1 150),
make_saver "$dir/All Effects.scr" "All Effects" "$dir/a.jpg" "$dir/b.png" "$dir/c.bmp" -- \
  --set Set.ImageInterval=1 --set Set.EffectSpeed2=1 --set Set.ImageSequence=0 --set "Set.useeffects=$all"

start_saver "$dir/All Effects.scr" /s
find_window "All Effects" >/dev/null || fail "no show window"
start=$(date +%s)
changes=0
last=""
before=""
while [ "$changes" -lt "$CHANGES" ]; do
  now=$(( $(date +%s) - start ))
  [ "$now" -lt $(( CHANGES * 4 )) ] || fail "only $changes changes in $now s"
  kill -0 "$SAVER_PID" 2>/dev/null || fail "the show ended by itself after $changes changes"
  p=$(centre_picture)
  if [ -n "$p" ] && [ "$p" != "$last" ] && [ "$p" != "$before" ]; then
    [ -z "$last" ] || changes=$(( changes + 1 ))
    before=$last
    last=$p
    [ "$changes" = 0 ] || [ $(( changes % 50 )) -ne 0 ] || echo "  $changes changes in $now s"
  fi
  sleep 0.1
done
elapsed=$(( $(date +%s) - start ))
kill -0 "$SAVER_PID" 2>/dev/null || fail "the show ended by itself"
xdotool key a
wait_gone "$SAVER_PID" 10 || fail "a key did not end the show"
SAVER_PID=""
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "$changes changes in ${elapsed}s with every effect number enabled; the show ended on a key"
