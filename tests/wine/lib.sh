# Helpers shared by the wine end-to-end tests (sourced).
set -euo pipefail
WINE_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
KESTRO_BUILD_TOOL="$LINUX_BUILD/tools/kestro-build/kestro-build"
SAVER_EXE="$WIN64_BUILD/src/app/kestro-saver.exe"
WINE_HELPERS="$WIN64_BUILD/tests/wine"

fail() { echo "  FAIL: $*" >&2; exit 1; }
pass() { echo "  ok: $*"; }

# A fresh scratch folder for one test, removed when the test's shell exits.
# Call it as `scratch dir` (not in $(...): the trap must belong to the test).
scratch() {
  local d
  d=$(mktemp -d "${TMPDIR:-/tmp}/kestro-wine.XXXXXX")
  # shellcheck disable=SC2064
  trap "rm -rf '$d'" EXIT
  printf -v "$1" '%s' "$d"
}

# The Unix path of the wine user's TempRoot folder.
temp_root_unix() {
  local win
  win=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
  echo "$(winepath -u "$win" 2>/dev/null)/Kestro"
}

# Reads Name from a startup report (first match).
report_value() { grep -m1 "^$2=" "$1" | cut -d= -f2- | tr -d '\r'; }

# Makes a small picture with ImageMagick.
make_picture() { convert -size "${3:-64x48}" "xc:${2:-red}" "$1"; }

# ---------------------------------------------------------------- the show
# Helpers for the tests that run screensavers made by kestro-build in real
# windows and drive them with xdotool.

# Wine keeps a top-level window it hides waiting up to two seconds for a
# window manager to acknowledge the unmap; the test display has none. As
# unmanaged windows they hide at once, which lets the tests see within
# milliseconds when a show has ended.
unmanaged_windows() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w
}

# make_saver OUT.scr TITLE PICTURE... [-- kestro-build options...]
make_saver() {
  local out=$1 title=$2
  shift 2
  local args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=(--picture "$1"); shift; done
  [ $# -eq 0 ] || shift
  "$KESTRO_BUILD_TOOL" make --runtime "$SAVER_EXE" --out "$out" --title "$title" "${args[@]}" "$@" >/dev/null
}

# start_saver FILE ARGS...: starts it in the background; SAVER_PID is its process.
start_saver() {
  # A saver that has not quite gone still holds the single-instance lock, and
  # a new one would end at once: wait until the lock is free.
  for _ in $(seq 50); do
    wine "$WINE_HELPERS/mutex_probe.exe" brumelwickscreensaverimage >/dev/null 2>&1 && break
    sleep 0.2
  done
  wine "$@" >/dev/null 2>&1 &
  SAVER_PID=$!
}

# wait_gone PID SECONDS: true when the process has ended within the time.
wait_gone() {
  local pid=$1 limit=$(( $2 * 20 ))
  for _ in $(seq "$limit"); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.05
  done
  return 1
}

# Ends a saver a failed test left running, by its process id.
stop_saver() {
  [ -n "${SAVER_PID:-}" ] || return 0
  kill "$SAVER_PID" 2>/dev/null || true
  wait_gone "$SAVER_PID" 5 || kill -9 "$SAVER_PID" 2>/dev/null || true
}

# find_window NAME [SECONDS]: the X window id of the first window whose name
# is exactly NAME, waiting for it to appear.
find_window() {
  local name=$1 limit=$(( ${2:-20} * 10 )) w
  for _ in $(seq "$limit"); do
    w=$(xdotool search --name "^${name}\$" 2>/dev/null | head -1 || true)
    if [ -n "$w" ] && xwininfo -id "$w" 2>/dev/null | grep -q IsViewable; then
      echo "$w"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# is_shown WINDOW: the window is mapped and viewable.
is_shown() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# window_geometry WINDOW: "WIDTHxHEIGHT+X+Y" of its outer area on the screen.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /^  Width/{w=$NF} /^  Height/{h=$NF} END{print w "x" h "+" x "+" y}'
}

# screenshot FILE: the whole screen.
screenshot() { import -window root "$1"; }

# pixel FILE X Y: the colour there as "R,G,B" (0..255).
pixel() {
  /usr/bin/convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# near R,G,B R,G,B: the colours differ by at most 24 in each channel
# (JPEG pictures do not keep exact colours).
near() {
  local IFS=,
  local a=($1) b=($2) i d
  for i in 0 1 2; do
    d=$(( a[i] - b[i] ))
    [ "${d#-}" -le 24 ] || return 1
  done
}

# gradient_pictures DIR: three screen-sized pictures DIR/a.jpg, b.png and
# c.bmp (vertical gradients), which centre_picture tells apart; sets SCREEN
# ("WIDTHxHEIGHT").
gradient_pictures() {
  SCREEN=$(xwininfo -root | awk '/^  Width/{w=$NF} /^  Height/{h=$NF} END{print w "x" h}')
  convert -size "$SCREEN" gradient:"rgb(255,0,0)-rgb(255,255,0)" "$1/a.jpg"
  convert -size "$SCREEN" gradient:"rgb(0,0,255)-rgb(0,255,255)" "$1/b.png"
  convert -size "$SCREEN" gradient:"rgb(0,255,0)-rgb(255,255,255)" "$1/c.bmp"
}

# centre_picture: a, b or c when the middle of the screen shows that
# gradient picture (the middle of each gradient), else nothing.
centre_picture() {
  local c
  c=$(import -window root -crop "1x1+$(( ${SCREEN%x*} / 2 ))+$(( ${SCREEN#*x} / 2 ))" -depth 8 txt:- | tail -1 |
    sed -E 's/^[^(]*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/')
  if near "$c" 255,128,0; then echo a; elif near "$c" 0,128,255; then echo b; elif near "$c" 128,255,128; then echo c; fi
}

# moves COUNT: moves the pointer COUNT times over the show, each move a
# separate motion.
moves() {
  local i
  for i in $(seq "$1"); do
    xdotool mousemove $(( 300 + (i % 2) * 7 )) $(( 250 + i % 13 ))
    sleep 0.03
  done
}

# temp_root_files: how many files lie in TempRoot and its "tmp" folder.
temp_root_files() { find "$(temp_root_unix)" -maxdepth 2 -type f 2>/dev/null | wc -l; }
