# shellcheck shell=bash
# Running the Windows build under wine, for scripts/demo.sh and
# tests/wine/run.sh (sourced): a quiet wine with a prefix of its own, a
# display (the user's, or a private Xvfb), and ending both.

# wine_env ROOT: wine's settings. The prefix is ROOT/build/wineprefix unless
# WINEPREFIX names another.
wine_env() {
  export WINEPREFIX=${WINEPREFIX:-$1/build/wineprefix}
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# start_display FIRST LAST: when DISPLAY is unset, starts a private Xvfb
# (1024 x 768, 24 bits) on the first free display number from FIRST to LAST,
# exports DISPLAY and waits for its socket; XVFB_PID is its process. False
# when every number is taken.
XVFB_PID=""
start_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  local n
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      break
    fi
  done
  [ -n "$XVFB_PID" ] || return 1
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
}

# stop_wine_env: ends the wine processes and the private Xvfb, if any.
stop_wine_env() {
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
}

# make_wine_prefix MESSAGE: creates the wine prefix when there is none yet,
# saying MESSAGE first.
make_wine_prefix() {
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "$1"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}
