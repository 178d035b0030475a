# Helpers shared by the wine end-to-end tests (sourced).
set -euo pipefail
WINE_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../lib/screen.sh
source "$WINE_HERE/../lib/screen.sh"
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

# key_until_gone PID KEY SECONDS: presses KEY, and again every two seconds,
# until the process has ended; true when it ended within the time. A key that
# arrives while a loaded machine is still bringing the show up is lost; the
# next one ends it.
key_until_gone() {
  local pid=$1 key=$2 left=$3
  while [ "$left" -gt 0 ]; do
    xdotool key "$key"
    wait_gone "$pid" 2 && return 0
    left=$(( left - 2 ))
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

# screenshot FILE: the whole screen.
screenshot() { import -window root "$1"; }

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
