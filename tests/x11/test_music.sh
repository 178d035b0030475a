#!/usr/bin/env bash
# The show's music heard for real on Linux: a screensaver built with an MP3,
# a WAV and another MP3 (three tones) plays into a PulseAudio null sink of
# its own, the MP3 files through libmpegdll.so from the payload, the WAV
# through GStreamer; recorded with parec and told apart by frequency. With
# LoopMusic off the three play in order and then nothing; with LoopMusic on
# the first comes again, and a click ends the show and the music together.
source "$(dirname "$0")/lib.sh"
# shellcheck source=../lib/sound.sh
source "$X11_HERE/../lib/sound.sh"
[ -f "$LINUX_BUILD/tools/mpegdll/libmpegdll.so" ] || fail "no $LINUX_BUILD/tools/mpegdll/libmpegdll.so"
start_xvfb
start_sound_server "$dir/pa"
trap 'stop_sound_server; finish' EXIT
make_tracks "$dir"
convert -size 64x48 xc:black "$dir/black.png"

show() {
  local name=$1
  shift
  local sets=(--set Set.ImageInterval=30)
  for s in "$@"; do sets+=(--set "Set.$s"); done
  make_saver "$dir/$name" "$name" "$dir/black.png" -- --music "$dir/first.mp3" --music "$dir/second.wav" \
    --music "$dir/third.mp3" "${sets[@]}"
  start_saver "$dir/$name" /s
  find_window "$name" >/dev/null || fail "$name: no show window: $(cat "$dir/saver.log")"
}
end_show() {
  xdotool click 1
  wait_gone "$SAVER_PID" 10 || fail "$1: a click did not end the show"
}

record "$dir/once.raw"
show music-once LoopMusic=0
sleep 9
stop_recording
end_show "LoopMusic off"
got=$(tones "$dir/once.raw")
tones_begin "$got" "440 660 880" && [ "$(wc -w <<<"$got")" = 3 ] ||
  fail "LoopMusic off: heard '$got', expected the tones 440 660 880 once"
whole_tracks "$dir/once.raw" "LoopMusic off"
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic off: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic off: MP3 (libmpegdll.so), WAV (GStreamer), MP3 play whole, in order, then silence"

record "$dir/loop.raw"
show music-loop LoopMusic=1
sleep 9.5
end_show "LoopMusic on"
sleep 1
stop_recording
got=$(tones "$dir/loop.raw")
tones_begin "$got" "440 660 880 440" || fail "LoopMusic on: heard '$got', expected 440 660 880 440 ..."
tail_part=$(segments "$dir/loop.raw" | tail -1)
[[ "$tail_part" == silence* ]] || fail "LoopMusic on: music still played after the show ended ($tail_part)"
[ "$(temp_root_files)" = 0 ] || fail "LoopMusic on: TempRoot still holds $(temp_root_files) files"
pass "LoopMusic on: the list starts over; a click ends the show and the music"
