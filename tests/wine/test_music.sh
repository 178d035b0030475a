#!/usr/bin/env bash
# The show's music heard for real: a screensaver built by kestro-build with
# an MP3, a WAV and another MP3 (three tones) plays under wine into a
# PulseAudio null sink of its own, recorded with parec and told apart by
# frequency. With LoopMusic off the three play in order and then nothing;
# with LoopMusic on the first comes again; a click ends the show and the
# music together and leaves TempRoot empty.
source "$(dirname "$0")/lib.sh"
scratch dir
# shellcheck source=../lib/sound.sh
source "$WINE_HERE/../lib/sound.sh"
cleanup() {
  stop_saver
  stop_recording
  # The wine processes hold the sound server's connection: end them first.
  wineserver -k >/dev/null 2>&1 || true
  stop_sound_server
  rm -rf "$dir"
}
trap cleanup EXIT
[ -f "$WIN64_BUILD/tools/mpegdll/mpegdll.dll" ] || fail "no $WIN64_BUILD/tools/mpegdll/mpegdll.dll"

# A sound server of this test's own, with one null sink; wine plays into it.
start_sound_server "$dir/pa"
wineserver -k >/dev/null 2>&1 || true  # a wine started before knows no sound server
unmanaged_windows

make_tracks "$dir"
make_picture "$dir/black.png" black 64x48

# show NAME SETTING...: builds the show with the three tracks and starts it.
show() {
  local name=$1
  shift
  local sets=(--set Set.ImageInterval=30)
  for s in "$@"; do sets+=(--set "Set.$s"); done
  make_saver "$dir/$name.scr" "$name" "$dir/black.png" -- --music "$dir/first.mp3" --music "$dir/second.wav" \
    --music "$dir/third.mp3" "${sets[@]}"
  start_saver "$dir/$name.scr" /s
  W=$(find_window "$name") || fail "$name: no show window"
}
end_show() {
  xdotool click 1
  for _ in $(seq 100); do is_shown "$W" || break; sleep 0.05; done
  is_shown "$W" && fail "$1: a click did not end the show"
  wait_gone "$SAVER_PID" 10 || fail "$1: the process did not end"
  SAVER_PID=""
}

record "$dir/once.raw"
show "Music Once" LoopMusic=0
# Three tracks of 1.5 s, each end noticed within a second, then silence.
sleep 9
stop_recording
end_show "LoopMusic off"
got=$(tones "$dir/once.raw")
tones_begin "$got" "440 660 880" && [ "$(wc -w <<<"$got")" = 3 ] || fail "LoopMusic off: heard '$got', expected the tones 440 660 880 once"
last_end=$(segments "$dir/once.raw" | awk '$1 != "silence" {e=$3} END {print e}')
total=$("$PY" -c "import os; print(os.path.getsize('$dir/once.raw') / 88200)")
"$PY" -c "import sys; sys.exit(0 if $total - $last_end >= 1.5 else 1)" ||
  fail "LoopMusic off: something played after the last track (it ended at ${last_end}s of ${total}s)"
# Each track plays to its last sample before the device closes.
whole_tracks "$dir/once.raw" "LoopMusic off"
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic off: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic off: MP3, WAV, MP3 play whole, in order, then silence"

record "$dir/loop.raw"
show "Music Loop" LoopMusic=1
sleep 9.5
# A click while the music plays ends the show and the music at once.
end_show "LoopMusic on"
sleep 1
stop_recording
got=$(tones "$dir/loop.raw")
tones_begin "$got" "440 660 880 440" || fail "LoopMusic on: heard '$got', expected 440 660 880 440 ..."
tail_silence=$(segments "$dir/loop.raw" | tail -1)
[[ "$tail_silence" == silence* ]] || fail "LoopMusic on: music still played after the show ended ($tail_silence)"
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic on: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic on: the list starts over; a click ends the show and the music, TempRoot is empty"
