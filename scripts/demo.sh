#!/usr/bin/env bash
# The main job: builds the runtime and the builder, makes sample pictures,
# builds a demo screensaver from them and runs its show under wine (on the
# user's display, or a private Xvfb when there is none). While the show
# runs, screenshots of a few changes of picture go to build/demo/; after
# some seconds a key press ends the show, as a user would.
# Environment: DEMO_SECONDS (default 12), how long the show runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" build windows run
"$root/scripts/build.sh" linux win64

demo="$root/build/demo"
samples="$demo/photos"
mkdir -p "$samples"
rm -f "$demo"/show-*.png
"$root/scripts/make-samples.sh" "$samples"

builder="$root/build/linux/tools/kestro-build/kestro-build"
saver="$demo/Kestro Demo.scr"
args=()
for p in "$samples"/*; do args+=(--picture "$p"); done
"$builder" make --runtime "$root/build/win64/src/app/kestro-saver.exe" --out "$saver" \
  --title "Kestro Demo" "${args[@]}" --set Set.ImageInterval=2 --set Set.EffectSpeed2=2 \
  --set Caption.Position=3 --set Caption.FontSize=20
echo "== the demo screensaver"
"$builder" inspect "$saver"

# shellcheck source=lib/wine-env.sh
source "$root/scripts/lib/wine-env.sh"
wine_env "$root"
saver_pid=""
start_display 70 79 || { echo "demo: no free display number for Xvfb" >&2; exit 1; }
cleanup() {
  [ -z "$saver_pid" ] || kill "$saver_pid" 2>/dev/null || true
  stop_wine_env
}
trap cleanup EXIT
make_wine_prefix "== creating the wine prefix $WINEPREFIX"

seconds=${DEMO_SECONDS:-12}
echo "== running it: wine \"$saver\" /s (display $DISPLAY, $seconds seconds)"
wine "$saver" /s >/dev/null 2>&1 &
saver_pid=$!
start=$(date +%s)
shot=0
while [ $(( $(date +%s) - start )) -lt "$seconds" ]; do
  sleep 1.5
  kill -0 "$saver_pid" 2>/dev/null || { echo "demo: the show ended by itself" >&2; exit 1; }
  shot=$(( shot + 1 ))
  import -window root "$demo/show-$(printf '%02d' "$shot").png"
done

echo "== ending the show with a key press"
xdotool mousemove 200 200 key space
for _ in $(seq 100); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$saver_pid" 2>/dev/null; then
  echo "demo: the show did not end on the key press" >&2
  exit 1
fi
wait "$saver_pid" || true
saver_pid=""
echo
echo "The show covered the screen and changed pictures every two seconds, each"
echo "change animated by a random transition effect, the picture's name as its"
echo "caption. Screenshots taken while it ran: $demo/show-*.png ($shot of them)."
echo "A key press ended it; its temporary folder was emptied as it ended."
