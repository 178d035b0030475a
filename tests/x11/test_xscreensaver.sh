#!/usr/bin/env bash
# A real client: Debian's xscreensaver daemon on the test's display, with a
# configuration that lists our screensaver as its one hack (with -root, as
# the description kestro-build writes says). "xscreensaver-command
# -activate" shows our pictures on the screen; "-deactivate" ends our
# process, with its TempRoot empty. xscreensaver launches no hacks for
# root: as root the test runs the daemon as the user nobody.
source "$(dirname "$0")/lib.sh"
for tool in xscreensaver xscreensaver-command; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh run installs xscreensaver)"
done
start_xvfb
convert -size 320x240 xc:"rgb(255,0,0)" "$dir/Red.png"
make_saver "$dir/kestro-hack" "Hack Show" "$dir/Red.png" -- --set Set.ImageInterval=2
[ -f "$dir/kestro-hack.xml" ] || fail "kestro-build wrote no hack description beside the Linux screensaver"
/usr/bin/python3 - "$dir/kestro-hack.xml" <<'PY' || fail "the hack description is not what xscreensaver reads"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver" and root.get("name") == "kestro-hack" and root.get("_label") == "Hack Show"
assert root.find("command").get("arg") == "-root" and root.find("_description").text.strip()
PY
pass "kestro-build describes the Linux screensaver to xscreensaver (kestro-hack.xml)"

# The daemon's user: its home (with the configuration) and its TMPDIR.
xs="$dir/xs"
mkdir -p "$xs/home" "$xs/tmp"
cat >"$xs/home/.xscreensaver" <<CONF
timeout:	0:30:00
lock:		False
mode:		one
selected:	0
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
programs:	$dir/kestro-hack -root	\n
CONF
as_daemon_user=(env)
if [ "$(id -u)" = 0 ]; then
  chown -R 65534:65534 "$xs"
  as_daemon_user=(setpriv --reuid=65534 --regid=65534 --clear-groups env)
fi
daemon_env=(HOME="$xs/home" TMPDIR="$xs/tmp" XDG_RUNTIME_DIR="$xs/tmp" XDG_CONFIG_HOME="$xs/home/.config"
  XDG_DATA_HOME="$xs/home/.local/share" DISPLAY="$DISPLAY")
"${as_daemon_user[@]}" "${daemon_env[@]}" xscreensaver -no-splash -verbose >"$dir/xscreensaver.log" 2>&1 &
keep $!
for _ in $(seq 100); do
  "${as_daemon_user[@]}" "${daemon_env[@]}" xscreensaver-command -time >/dev/null 2>&1 && break
  sleep 0.1
done
"${as_daemon_user[@]}" "${daemon_env[@]}" xscreensaver-command -activate >/dev/null 2>&1 ||
  fail "xscreensaver-command -activate failed: $(tail -5 "$dir/xscreensaver.log")"

hack=""
for _ in $(seq 100); do
  hack=$(pgrep -f "^$dir/kestro-hack" | head -1 || true)
  [ -n "$hack" ] && break
  sleep 0.1
done
[ -n "$hack" ] || fail "the daemon did not start our hack: $(tail -5 "$dir/xscreensaver.log")"
keep "$hack"
red=0
for i in $(seq 20); do
  shot=$(screenshot "xscreensaver-$i")
  if near "$(pixel "$shot" 512 384)" 255,0,0 && near "$(pixel "$shot" 20 20)" 0,0,0; then red=1; break; fi
  sleep 0.3
done
[ $red = 1 ] || fail "the screen does not show our picture ($shot)"
pass "xscreensaver -activate runs our hack ($(tr '\0' ' ' </proc/"$hack"/cmdline)) and shows our picture"

"${as_daemon_user[@]}" "${daemon_env[@]}" xscreensaver-command -deactivate >/dev/null 2>&1
wait_gone "$hack" 10 || fail "deactivating the daemon did not end our process"
left=$(find "$xs/tmp/Kestro" -maxdepth 2 -type f 2>/dev/null | wc -l)
[ "$left" = 0 ] || fail "the hack's TempRoot still holds $left files"
pass "xscreensaver -deactivate ends our process; its TempRoot is empty"
