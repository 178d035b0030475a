#!/usr/bin/env bash
# Builds a screensaver from a folder of 500 generated pictures twice: inside
# tmux, where kestro-build draws its progress bar, and with its output in a
# file, where it writes plain lines; prints what the tmux pane shows and
# checks both.
#   scripts/checks/builder-progress.sh [BUILD_DIR]
set -euo pipefail
build="${1:-build/linux}"
builder="$build/tools/kestro-build/kestro-build"
runtime="$build/src/app/kestro-saver"
[ -x "$builder" ] || { echo "build $builder first" >&2; exit 1; }
[ -f "$runtime" ] || runtime="$builder"   # any program file carries a payload
for tool in tmux cjpeg exiftool python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/setup.sh build)" >&2; exit 1; }
done

work="$(mktemp -d)"
socket="kestro-progress-$$"
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

# 500 pictures of 640 x 480: every 25th stored on its side, two broken.
python3 - "$work/base.ppm" <<'PY'
import sys
w, h = 640, 480
rows = bytearray()
for y in range(h):
    for x in range(w):
        rows += bytes(((x * 255) // w, (y * 255) // h, ((x ^ y) * 3) & 255))
open(sys.argv[1], "wb").write(b"P6\n%d %d\n255\n" % (w, h) + rows)
PY
mkdir "$work/pictures"
cjpeg -quality 90 -outfile "$work/base.jpg" "$work/base.ppm"
cp "$work/base.jpg" "$work/turned.jpg"
exiftool -q -overwrite_original -n -Orientation=6 "$work/turned.jpg"
for i in $(seq -w 1 500); do
  if [ $((10#$i % 25)) -eq 0 ]; then cp "$work/turned.jpg" "$work/pictures/photo-$i.jpg"
  else cp "$work/base.jpg" "$work/pictures/photo-$i.jpg"; fi
done
head -c 3000 "$work/base.jpg" > "$work/pictures/photo-250.jpg"
echo "not a picture" > "$work/pictures/photo-499.jpg"
echo "notes" > "$work/pictures/readme.txt"

make=("$builder" make --runtime "$runtime" --title Progress --pictures "$work/pictures")

# On a terminal: the bar, redrawn in place, left at its end state.
tmux -L "$socket" new-session -d -x 110 -y 50 \
  "$(printf '%q ' "${make[@]}" --out "$work/tmux.scr") >/dev/null; echo exit=\$?; sleep 60"
for _ in $(seq 1 600); do
  tmux -L "$socket" capture-pane -p | grep -q '^exit=' && break
  sleep 0.2
done
pane="$(tmux -L "$socket" capture-pane -p)"
echo "== the tmux pane"
printf '%s\n' "$pane" | sed '/^$/d'
grep -q '^exit=0' <<<"$pane" || { echo "the build in tmux failed" >&2; exit 1; }
grep -Eq '^checking pictures \[#+\]  500/500  .* done in ' <<<"$pane" || { echo "no finished picture bar" >&2; exit 1; }
grep -Eq '^writing \[#+\]  498/498  .* done in ' <<<"$pane" || { echo "no finished writing bar" >&2; exit 1; }
[ "$(grep -c '^checking pictures' <<<"$pane")" = 1 ] || { echo "the bar did not stay on one line" >&2; exit 1; }
grep -q 'warning: photo-250.jpg: left out' <<<"$pane" || { echo "the broken picture was not reported" >&2; exit 1; }

# Into a file: plain lines, no carriage returns.
"${make[@]}" --out "$work/file.scr" >"$work/log.txt" 2>&1
echo "== the output in a file (progress lines)"
grep -E '^(checking pictures|writing): ' "$work/log.txt"
if grep -q $'\r' "$work/log.txt"; then echo "carriage returns in the file" >&2; exit 1; fi
[ "$(grep -c '^checking pictures: ' "$work/log.txt")" = 10 ] || { echo "expected 10 progress lines per stage" >&2; exit 1; }
grep -q 'photo-025.jpg: turned upright (turned 90 degrees clockwise)' "$work/log.txt"
cmp -s "$work/tmux.scr" "$work/file.scr" || { echo "the two builds differ" >&2; exit 1; }
echo "== progress bar and plain lines as expected"
