#!/usr/bin/env bash
# A long show: at least 50 changes of picture (one-second interval, fastest
# speed, screen-sized pictures) while the process's memory is sampled. The
# resident size must stay flat once the show has settled: the figures are
# printed, and growth between changes after the first ten fails the test.
source "$(dirname "$0")/lib.sh"
scratch dir
trap 'stop_saver; rm -rf "$dir"' EXIT
unmanaged_windows

CHANGES=${KESTRO_SOAK_CHANGES:-50}
LIMIT_KB=${KESTRO_SOAK_GROWTH_KB:-4096}
gradient_pictures "$dir"
make_saver "$dir/Soak Test.scr" "Soak Test" "$dir/a.jpg" "$dir/b.png" "$dir/c.bmp" -- \
  --set Set.ImageInterval=1 --set Set.EffectSpeed2=1
# The resident size between changes: the smallest of a few samples over
# 1.5 s (a change in progress holds two picture-sized bitmaps more).
rss_floor() {
  local least="" r
  for _ in 1 2 3 4 5 6; do
    r=$(ps -o rss= -p "$SAVER_PID" | tr -d ' ')
    { [ -z "$least" ] || [ "$r" -lt "$least" ]; } && least=$r
    sleep 0.25
  done
  echo "$least"
}

start_saver "$dir/Soak Test.scr" /s
find_window "Soak Test" >/dev/null || fail "no show window"
start=$(date +%s)
changes=0
last=""
samples=()
next_sample=0
settled_rss=""
while [ "$changes" -lt "$CHANGES" ]; do
  now=$(( $(date +%s) - start ))
  [ "$now" -lt $(( CHANGES * 4 )) ] || fail "only $changes changes in $now s"
  kill -0 "$SAVER_PID" 2>/dev/null || fail "the show ended by itself after $changes changes"
  p=$(centre_picture)
  if [ -n "$p" ] && [ "$p" != "$last" ]; then
    [ -z "$last" ] || changes=$(( changes + 1 ))
    last=$p
    if [ "$changes" = 10 ] && [ -z "$settled_rss" ]; then settled_rss=$(rss_floor); fi
  fi
  if [ "$now" -ge "$next_sample" ]; then
    samples+=("${now}s:$(ps -o rss= -p "$SAVER_PID" | tr -d ' ')kB")
    next_sample=$(( now + 5 ))
  fi
  sleep 0.15
done
elapsed=$(( $(date +%s) - start ))
final_rss=$(rss_floor)
samples+=("${elapsed}s:${final_rss}kB")
echo "  $changes changes in ${elapsed}s; resident size: ${samples[*]}"
echo "  after 10 changes ${settled_rss} kB, at the end ${final_rss} kB ($(( final_rss - settled_rss )) kB)"
[ $(( final_rss - settled_rss )) -le "$LIMIT_KB" ] || fail "memory grew by $(( final_rss - settled_rss )) kB"
xdotool key a
wait_gone "$SAVER_PID" 10 || fail "a key did not end the show"
SAVER_PID=""
[ "$(temp_root_files)" = 0 ] || fail "TempRoot still holds $(temp_root_files) files"
pass "$changes changes with flat memory; the show ended on a key and left TempRoot empty"
