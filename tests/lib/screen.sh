# Checks of what an X display shows, shared by the end-to-end tests of the
# Windows build (tests/wine) and of the Linux runtime (tests/x11). Sourced.

# wait_gone PID SECONDS: true when the process has ended within the time.
wait_gone() {
  local pid=$1 limit=$(( $2 * 20 ))
  for _ in $(seq "$limit"); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.05
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
