#!/usr/bin/env bash
# "/c": the settings dialog on GTK 3. Cancel (Escape) after a change stores
# nothing; choosing "Original Size", clearing "Show Image Caption" and OK
# write the user store ($XDG_CONFIG_HOME/kestro/registry.ini) and end the run.
source "$(dirname "$0")/lib.sh"
start_xvfb
convert -size 64x48 xc:red "$dir/a.png"
make_saver "$dir/dialog" "Dialog Test" "$dir/a.png" -- --set Caption.Position=1 --set Set.ImageSize=0
store="$XDG_CONFIG_HOME/kestro/registry.ini"

# open: starts "/c" and finds the dialog; DX, DY are its client area's corner.
open() {
  start_saver "$dir/dialog" /c
  d=$(find_window "Image Saver Setting") || fail "no settings dialog: $(cat "$dir/saver.log")"
  read -r DX DY < <(xwininfo -id "$d" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
  sleep 0.5
}
# at X Y: a click at a point of the dialog's client area (its layout's pixels).
at() { xdotool mousemove $(( DX + $1 )) $(( DY + $2 )) click 1; sleep 0.2; }

open
[ "$(window_geometry "$d" | cut -d+ -f1)" = 503x350 ] || fail "the dialog is $(window_geometry "$d"), not 503 x 350"
screenshot dialog-options >/dev/null
at 60 158  # Original Size
xdotool key Escape
wait_gone "$SAVER_PID" 10 || fail "Escape did not close the dialog"
[ ! -e "$store" ] || fail "Cancel stored something: $(cat "$store")"
pass "the dialog shows; Escape cancels and stores nothing"

open
at 60 158   # Original Size
at 210 271  # Show Image Caption: cleared
shot=$(screenshot dialog-changed)
at 357 328  # OK
wait_gone "$SAVER_PID" 10 || fail "OK did not close the dialog"
[ -f "$store" ] || fail "OK wrote no user store"
section=$(awk '/^\[Software\\Brumelwick\\dialog\]/{on=1; next} /^\[/{on=0} on' "$store")
grep -qx 'ImageSize=dword:00000001' <<<"$section" || fail "ImageSize not stored as 1 (Original Size): $section"
grep -qx 'CaptionForceHide=dword:00000001' <<<"$section" || fail "the caption box was not stored cleared: $section"
grep -qx 'MousePressExit=dword:00000001' <<<"$section" || fail "the exit settings were not stored: $section"
pass "OK writes the user store: Original Size, no caption, the exit settings"
