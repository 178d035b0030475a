# Helpers shared by the X11 end-to-end tests (sourced). Each test starts a
# private Xvfb of its own (displays 120 to 139), so tests never share a
# screen, a TempRoot or a user store.
set -euo pipefail
X11_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../lib/screen.sh
source "$X11_HERE/../lib/screen.sh"
KESTRO_BUILD_TOOL="$LINUX_BUILD/tools/kestro-build/kestro-build"
SAVER_RUNTIME="$LINUX_BUILD/src/app/kestro-saver"
SHOTS=${SHOTS:-$LINUX_BUILD/tests/x11/shots}

fail() { echo "  FAIL: $*" >&2; exit 1; }
pass() { echo "  ok: $*"; }

for tool in Xvfb xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh run installs it)"
done
[ -x "$SAVER_RUNTIME" ] || fail "no $SAVER_RUNTIME: build the linux preset first"

# The test's scratch folder: its TempRoot ($TMPDIR/Kestro), its user store
# ($XDG_CONFIG_HOME) and its files. Removed, with everything the test
# started, when the test's shell exits.
dir=$(mktemp -d "${TMPDIR:-/tmp}/kestro-x11.XXXXXX")
chmod 755 "$dir"
mkdir -p "$dir/tmp" "$dir/config" "$dir/data"
export TMPDIR="$dir/tmp" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_RUNTIME_DIR="$dir/tmp"
TEMP_ROOT="$dir/tmp/Kestro"
PIDS=()
XVFB_PID=""
finish() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  # What does not end on SIGTERM within five seconds is killed.
  for pid in "${PIDS[@]}"; do wait_gone "$pid" 5 || kill -9 "$pid" 2>/dev/null || true; done
  [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; }
  rm -rf "$dir"
}
trap finish EXIT

# start_xvfb [XVFB OPTIONS...]: a private display (default one screen of
# 1024 x 768), exported as DISPLAY.
start_xvfb() {
  local n
  [ $# -gt 0 ] || set -- -screen 0 1024x768x24
  for n in $(seq 120 139); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" "$@" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.05
      done
      # Another test took the number meanwhile: try the next.
      XVFB_PID=""
    fi
  done
  fail "no free display number from 120 to 139"
}

# keep PID: ended with the test.
keep() { PIDS+=("$1"); }

# make_saver OUT TITLE PICTURE... [-- kestro-build options...]: a Linux
# screensaver from the Linux runtime.
make_saver() {
  local out=$1 title=$2
  shift 2
  local args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=(--picture "$1"); shift; done
  [ $# -eq 0 ] || shift
  "$KESTRO_BUILD_TOOL" make --runtime "$SAVER_RUNTIME" --out "$out" --title "$title" "${args[@]}" "$@" --quiet \
    >/dev/null
}

# start_saver FILE ARGS...: starts it in the background; SAVER_PID is its process.
start_saver() {
  # Anything still holding the single-instance lock (a saver that has not
  # quite gone) would make the new one end at once: wait until it is free.
  local lock="$XDG_RUNTIME_DIR/brumelwickscreensaverimage.lock"
  for _ in $(seq 100); do
    [ -e "$lock" ] || break
    flock -n "$lock" true 2>/dev/null && break
    sleep 0.1
  done
  "$@" >"$dir/saver.log" 2>&1 &
  SAVER_PID=$!
  keep "$SAVER_PID"
}

# find_window NAME [SECONDS]: the id of the viewable window named exactly NAME.
find_window() {
  local name=$1 limit=$(( ${2:-20} * 10 )) w
  for _ in $(seq "$limit"); do
    w=$(xwininfo -root -tree 2>/dev/null | awk -v n="\"$name\":" '$2 == n {print $1}' | head -1)
    if [ -z "$w" ]; then
      w=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$name\":" | awk '{print $1}' | head -1)
    fi
    if [ -n "$w" ] && is_shown "$w"; then
      echo "$w"
      return 0
    fi
    if [ -n "${SAVER_PID:-}" ] && ! kill -0 "$SAVER_PID" 2>/dev/null; then
      echo "the saver ended without showing a window" >>"$dir/saver.log"
      return 1
    fi
    sleep 0.1
  done
  return 1
}

# screenshot NAME: the whole screen into $SHOTS/NAME.png; prints the path.
screenshot() {
  local f="$SHOTS/$1.png"
  import -window root "$f"
  echo "$f"
}

# expect_pixel FILE X Y R,G,B WHAT
expect_pixel() {
  local c
  c=$(pixel "$1" "$2" "$3")
  near "$c" "$4" || fail "$5: ($2, $3) shows $c, expected $4 ($1)"
}

# bright_pixels FILE X Y W H: how many pixels of the area are light grey or white (caption text).
bright_pixels() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -threshold 60% -format "%[fx:int(mean*w*h+0.5)]" info:
}

# temp_root_files: the files in TempRoot and its "tmp" folder.
temp_root_files() { find "$TEMP_ROOT" -maxdepth 2 -type f 2>/dev/null | wc -l; }

# quarters FILE: a 400 x 300 picture of four coloured quarters.
quarters() {
  convert -size 400x300 xc:"rgb(255,0,0)" -fill "rgb(0,0,255)" -draw "rectangle 200,0 399,149" \
    -fill "rgb(0,255,0)" -draw "rectangle 0,150 199,299" -fill "rgb(255,255,0)" -draw "rectangle 200,150 399,299" \
    "$1"
}
