#!/usr/bin/env bash
# A screensaver made by kestro-build finds its payload, unpacks its settings
# file into TempRoot, empties the folder at exit; a second instance ends at
# once; the same file named .exe runs the show whatever the command line.
source "$(dirname "$0")/lib.sh"
scratch dir
make_picture "$dir/a.jpg" red
make_picture "$dir/b.png" blue
"$KESTRO_BUILD_TOOL" make --runtime "$SAVER_EXE" --out "$dir/Demo Saver.scr" --title "Demo Saver" \
  --picture "$dir/a.jpg" --picture "$dir/b.png" >/dev/null
troot=$(temp_root_unix)

trap 'stop_saver; rm -rf "$dir"' EXIT
unmanaged_windows

# run_show FILE ARGS...: runs a show until its window is up, then ends it with a key.
run_show() {
  KESTRO_STARTUP_REPORT=$(winepath -w "$report") start_saver "$@"
  find_window "Demo Saver" >/dev/null || fail "$*: no show window"
  key_until_gone "$SAVER_PID" a 10 || fail "$*: the show did not end on a key"
  SAVER_PID=""
}

report="$dir/report.txt"
run_show "$dir/Demo Saver.scr" /s
[ -f "$report" ] || fail "no start-up report"
[ "$(report_value "$report" PayloadFound)" = 1 ] || fail "payload not found"
[ "$(report_value "$report" RunMode)" = 3 ] || fail "/s is not the saver"
[ "$(report_value "$report" RunAsExe)" = 0 ] || fail ".scr ran as exe"
[ "$(report_value "$report" SettingsFileExists)" = 1 ] || fail "settings file not unpacked"
grep -qx 'TempRootFile=Demo Saver.002' <(tr -d '\r' < "$report") || fail "Demo Saver.002 not in TempRoot"
pass "payload found and settings unpacked into TempRoot"

[ -d "$troot" ] && [ -d "$troot/tmp" ] || fail "TempRoot folders missing after the run"
left=$(find "$troot" -maxdepth 2 -type f | wc -l)
[ "$left" = 0 ] || fail "TempRoot still holds $left files after the run"
pass "TempRoot emptied at exit"

cp "$dir/Demo Saver.scr" "$dir/Demo Saver.exe"
rm -f "$report"
run_show "$dir/Demo Saver.exe" /c
[ "$(report_value "$report" RunAsExe)" = 1 ] || fail ".exe with a payload did not set RunAsExe"
pass ".exe sets RunAsExe and shows the show even with /c"

# Second instance: another program holds the mutex.
wine "$WINE_HELPERS/hold_mutex.exe" brumelwickscreensaverimage "$(winepath -w "$dir/ready")" \
  "$(winepath -w "$dir/release")" &
holder=$!
for _ in $(seq 100); do [ -f "$dir/ready" ] && break; sleep 0.1; done
[ -f "$dir/ready" ] || fail "mutex holder did not start"
mkdir -p "$troot/tmp/keep"
echo left > "$troot/stale.txt"
echo left > "$troot/tmp/stale2.txt"
echo stays > "$troot/tmp/keep/inner.txt"
rm -f "$report"
start=$(date +%s%N)
KESTRO_STARTUP_REPORT=$(winepath -w "$report") wine "$dir/Demo Saver.scr" /s
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
touch "$dir/release"
wait "$holder"
[ ! -f "$report" ] || fail "second instance went on with start-up"
[ ! -f "$troot/stale.txt" ] && [ ! -f "$troot/tmp/stale2.txt" ] || fail "second instance did not clean up"
[ -f "$troot/tmp/keep/inner.txt" ] || fail "clean-up touched a sub-folder"
rm -rf "$troot/tmp/keep"
pass "second instance ended at once (${elapsed_ms} ms) and cleaned up"
