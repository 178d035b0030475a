#!/usr/bin/env bash
# The settings dialog of "/c" and of no argument, driven with xdotool: a
# window titled "Image Saver Setting" with a 503 x 350 client area (755 x 525
# at 150 %), per-monitor DPI aware; the banner and the readme of the payload;
# Ctrl+Tab through the three pages; "Show mouse cursor & Ignore mouse events"
# disables the exit group; Alt+O stores the twelve user values in the
# registry (or, without a payload, the settings file beside the program);
# Escape, Alt+C and Alt+F4 store nothing. Screenshots go to
# $WIN64_BUILD/tests/wine/shots/.
source "$(dirname "$0")/lib.sh"
scratch dir
shots="$WIN64_BUILD/tests/wine/shots"
mkdir -p "$shots"
saver="$dir/Dialog Test.scr"
key='HKCU\Software\Brumelwick\Dialog Test.scr'
plain_key='HKCU\Software\Brumelwick\Plain Saver.scr'
title="Image Saver Setting"
normal_dpi() {
  wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
}
cleanup() {
  stop_saver
  normal_dpi
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  wine reg delete "$plain_key" /f >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
unmanaged_windows
normal_dpi
wine reg delete "$key" /f >/dev/null 2>&1 || true

make_picture "$dir/a.jpg" red
convert -size 468x60 xc:"rgb(20,160,40)" "$dir/banner.png"
printf 'Thanks for watching.\r\nSecond line of the readme.\r\n' > "$dir/readme.txt"
make_saver "$saver" "Dialog Test" "$dir/a.jpg" -- --file "$dir/readme.txt" --file "$dir/banner.png" \
  --set Set.Build_UseBanner=1 --set Set.Build_BannerImage=banner.png --set "Set.Author=Ann Artist" \
  --set Set.Website=http://www.example.com --set Set.ImageInterval=7 --set "Set.ScrName=Dialog Test"

# state: the probe's description of the dialog now.
state=""
probe() { state=$(wine "$WINE_HELPERS/dialog_probe.exe" "$title" 2>/dev/null | tr -d '\r'); }
# line CLASS TEXT: the probe's line of that control.
line() { grep -F -m1 "$1|$2|" <<<"$state" || fail "no control $1 \"$2\" in: $state"; }
field() { cut -d'|' -f"$2" <<<"$1"; }
checked() { field "$(line "$1" "$2")" 3; }
enabled() { field "$(line "$1" "$2")" 4; }
visible() { field "$(line "$1" "$2")" 5; }
page() { field "$(grep -m1 '^SysTabControl32|' <<<"$state")" 7; }
# click CLASS TEXT: a click in the middle of the control.
click() {
  local x y w h
  IFS=, read -r x y w h <<<"$(field "$(line "$1" "$2")" 6)"
  xdotool mousemove $(( x + w / 2 )) $(( y + h / 2 )) click 1
  sleep 0.3
}
# open ARGS...: starts the screensaver with ARGS and waits for its dialog.
open() {
  start_saver "$saver" "$@"
  find_window "$title" >/dev/null || fail "$*: no window titled \"$title\""
  sleep 1
  probe
  # The keyboard goes to the dialog: a click on its face (between header and pages).
  read -r _ cx cy _ _ <<<"$(grep '^client ' <<<"$state")"
  xdotool mousemove $(( cx + 250 )) $(( cy + 80 )) click 1
  sleep 0.3
}
# closes_with KEYS...: the keys end the run.
closes_with() {
  xdotool key "$@"
  wait_gone "$SAVER_PID" 10 || fail "$* did not close the dialog"
  SAVER_PID=""
}
# type_interval N: replaces the interval on the Options page.
type_interval() {
  click Edit "$(field "$(grep -m1 '^Edit|' <<<"$state")" 2)"
  xdotool key End BackSpace BackSpace BackSpace BackSpace
  xdotool type "$1"
  sleep 0.3
  probe
  [ "$(field "$(grep -m1 '^Edit|' <<<"$state")" 2)" = "$1" ] || fail "the interval box does not show $1"
}

# --- "/c": the window, the banner and the readme
open /c
grep -qx "client [0-9-]* [0-9-]* 503 350" <<<"$state" || fail "client area: $(grep '^client' <<<"$state")"
# Per-monitor aware: v2 where the system knows it (wine 8 reports the v1 context, 2).
grep -Eqx "awareness (pmv2|other 2)" <<<"$state" || fail "not per-monitor DPI aware: $(grep '^awareness' <<<"$state")"
[ "$(page)" = 0 ] || fail "the first page is not active"
[ "$(visible Button 'Optimization')" = 1 ] || fail "the Options page is not shown"
[ "$(checked Button 'Shuffle')" = 1 ] || fail "the default order is not shown"
line RichEdit20A 'Thanks for watching.\nSecond line of the readme.\n' >/dev/null
screenshot "$shots/dialog-options.png"
read -r _ cx cy _ _ <<<"$(grep '^client ' <<<"$state")"
c=$(pixel "$shots/dialog-options.png" $(( cx + 250 )) $(( cy + 18 )))
near "$c" 20,160,40 || fail "the header shows $c, not the banner"
pass "/c: \"$title\", client 503 x 350, per-monitor DPI aware, banner and readme shown"

# --- the keyboard: Cancel first, Tab to the ticked radio button of each group
closes_with Escape
open /c
grep -qx 'focus Button|&Cancel' <<<"$state" || fail "not Cancel first: $(grep '^focus' <<<"$state")"
xdotool key Tab
sleep 0.3
probe
grep -qx 'focus Button|Optimization' <<<"$state" || fail "Tab after Cancel: $(grep '^focus' <<<"$state")"
xdotool key Tab
sleep 0.3
probe
grep -qx 'focus Button|Shuffle' <<<"$state" || fail "Tab to the order group: $(grep '^focus' <<<"$state")"
closes_with Escape
pass "Cancel has the focus at first; Tab goes round to each group's ticked radio button"

# --- Ctrl+Tab through the pages
open /c
xdotool key ctrl+Tab
sleep 0.3
probe
[ "$(page)" = 1 ] && [ "$(visible Button 'Mouse Move Event')" = 1 ] && [ "$(visible Button 'Optimization')" = 0 ] \
  || fail "Ctrl+Tab did not show the Exit Conditions page"
screenshot "$shots/dialog-exit.png"
xdotool key ctrl+Tab
sleep 0.3
probe
[ "$(page)" = 2 ] && [ "$(visible RichEdit20A 'Thanks for watching.\nSecond line of the readme.\n')" = 1 ] \
  || fail "Ctrl+Tab did not show the Readme page"
screenshot "$shots/dialog-readme.png"
xdotool key ctrl+Tab ctrl+Tab
sleep 0.3
probe
[ "$(page)" = 1 ] || fail "Ctrl+Tab did not go round to the Exit Conditions page"
pass "Ctrl+Tab goes through Options, Exit Conditions, Readme and round again"

# --- the exit group
cursor='Show mouse cursor && Ignore mouse events'
before="$(checked Button 'Mouse Move Event')$(checked Button 'Mouse Button Press')$(checked Button 'Keyboard Button Press')"
click Button "$cursor"
probe
[ "$(checked Button "$cursor")" = 1 ] || fail "the cursor box did not tick"
for box in 'Mouse Move Event' 'Mouse Button Press' 'Keyboard Button Press'; do
  [ "$(enabled Button "$box")" = 0 ] || fail "\"$box\" is still enabled"
done
after="$(checked Button 'Mouse Move Event')$(checked Button 'Mouse Button Press')$(checked Button 'Keyboard Button Press')"
[ "$before" = "$after" ] || fail "the exit boxes changed their ticks: $before -> $after"
screenshot "$shots/dialog-cursor.png"
pass "ticking \"Show mouse cursor & Ignore mouse events\" disables the exit group, ticks kept ($after)"

# --- Alt+O stores
xdotool key ctrl+shift+Tab
sleep 0.3
probe
[ "$(page)" = 0 ] || fail "Ctrl+Shift+Tab did not go back to Options"
type_interval 42
closes_with alt+o
query=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
[ "$(grep -c REG_DWORD <<<"$query")" = 12 ] || fail "the registry key does not hold twelve values: $query"
for pair in MouseMoveExit=0x0 MousePressExit=0x1 KeyboardPressExit=0x1 ShowCursor=0x1 OnlyEscKeyExit=0x0 \
  BackgroundColor=0x0 ImageInterval=0x2a ImageSize=0x0 ImageSequence=0x1 EffectSpeed2=0x3 PlayMusic=0x0 \
  CaptionForceHide=0x1; do
  grep -Eq "^ +${pair%%=*} +REG_DWORD +${pair#*=}\$" <<<"$query" || fail "${pair%%=*} is not ${pair#*=}: $query"
done
pass "Alt+O: the twelve values of the user's key, ImageInterval 42 and ShowCursor 1"

# --- Escape, Alt+C, Alt+F4 and no argument store nothing
wine reg delete "$key" /f >/dev/null 2>&1 || true
for keys in Escape alt+c; do
  open /c
  type_interval 99
  closes_with "$keys"
  ! wine reg query "$key" >/dev/null 2>&1 || fail "$keys stored the settings"
done
open
[ "$(page)" = 0 ] || fail "no argument: the dialog did not open on Options"
type_interval 99
closes_with alt+F4
! wine reg query "$key" >/dev/null 2>&1 || fail "Alt+F4 stored the settings"
pass "Escape, Alt+C and Alt+F4 (the last without an argument) store nothing"

# --- without a payload: the settings file beside the program
cp "$SAVER_EXE" "$dir/Plain Saver.scr"
printf '[Set]\r\nImageInterval=5\r\nAuthor=Plain Author\r\n' > "$dir/Plain Saver.002"
saver="$dir/Plain Saver.scr"
open /c
type_interval 17
closes_with alt+o
grep -q $'^ImageInterval=17\r$' "$dir/Plain Saver.002" || fail "the settings file: $(cat "$dir/Plain Saver.002")"
grep -q $'^Author=Plain Author\r$' "$dir/Plain Saver.002" || fail "the settings file lost a line"
! wine reg query "$plain_key" >/dev/null 2>&1 || fail "without a payload the registry was written"
pass "without a payload Alt+O writes the settings file beside the program"

# --- 150 %
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
saver="$dir/Dialog Test.scr"
open /c
grep -qx "dpi 144" <<<"$state" || fail "the dialog's DPI: $(grep '^dpi' <<<"$state")"
grep -qx "client [0-9-]* [0-9-]* 755 525" <<<"$state" || fail "client area at 150 %: $(grep '^client' <<<"$state")"
screenshot "$shots/dialog-150.png"
read -r _ cx cy _ _ <<<"$(grep '^client ' <<<"$state")"
c=$(pixel "$shots/dialog-150.png" $(( cx + 375 )) $(( cy + 27 )))
near "$c" 20,160,40 || fail "at 150 % the header shows $c, not the banner"
ok=$(line Button '&OK')
IFS=, read -r _ _ w h <<<"$(field "$ok" 6)"
[ "$w" = 120 ] && [ "$h" -ge 37 ] && [ "$h" -le 38 ] || fail "the OK button at 150 % is $w x $h, not 120 x 37"
closes_with Escape
normal_dpi
wineserver -k >/dev/null 2>&1 || true
pass "at 150 % the dialog is laid out 1.5 times as large (client 755 x 525, OK 120 x $h)"
