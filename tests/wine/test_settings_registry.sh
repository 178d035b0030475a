#!/usr/bin/env bash
# The settings dialog's save against the real registry: the twelve user
# values land in HKCU\Software\Brumelwick\<file name> as REG_DWORD and come
# back at the next start; other changes, saved only into the settings file
# inside TempRoot, do not.
source "$(dirname "$0")/lib.sh"
scratch dir
make_picture "$dir/a.jpg" red
saver="$dir/Reg Saver.scr"
key='HKCU\Software\Brumelwick\Reg Saver.scr'
"$KESTRO_BUILD_TOOL" make --runtime "$SAVER_EXE" --out "$saver" --title "Reg Saver" \
  --picture "$dir/a.jpg" --set Set.ImageInterval=5 --set Caption.X=33 >/dev/null
wine reg delete "$key" /f >/dev/null 2>&1 || true
trap "wine reg delete '$key' /f >/dev/null 2>&1 || true; rm -rf '$dir'" EXIT

# The runs only start up: "/a 0" shows nothing and ends, leaving the
# start-up report.
report="$dir/report.txt"
KESTRO_STARTUP_REPORT=$(winepath -w "$report") wine "$saver" /a 0
[ "$(report_value "$report" ImageInterval)" = 5 ] || fail "settings file value not loaded"
[ "$(report_value "$report" CaptionX)" = 33 ] || fail "caption value not loaded"
[ "$(report_value "$report" MouseMove)" = 0 ] || fail "default MouseMove"
pass "a fresh start reads the payload's settings"

out=$(wine "$WINE_HELPERS/save_settings.exe" "$(winepath -w "$saver")" \
  MouseMove=1 MousePress=0 KeyboardPress=0 ShowCursor=1 OnlyEscKeyExit=1 BackgroundColor=0x123456 \
  ImageInterval=42 ImageSize=2 ImageSequence=0 EffectSpeed2=5 PlayMusic=0 CaptionForceHide=1 \
  ClearOldImage=1 CaptionX=77 2>&1 | tr -d '\r')
[ "$out" = "saved with a payload" ] || fail "save_settings: $out"

query=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
expect_dword() {
  grep -Eq "^ +$1 +REG_DWORD +$2\$" <<<"$query" || fail "registry value $1 is not $2: $query"
}
expect_dword MouseMoveExit 0x1
expect_dword MousePressExit 0x0
expect_dword KeyboardPressExit 0x0
expect_dword ShowCursor 0x1
expect_dword OnlyEscKeyExit 0x1
expect_dword BackgroundColor 0x123456
expect_dword ImageInterval 0x2a
expect_dword ImageSize 0x2
expect_dword ImageSequence 0x0
expect_dword EffectSpeed2 0x5
expect_dword PlayMusic 0x0
expect_dword CaptionForceHide 0x1
values=$(grep -c "REG_DWORD" <<<"$query")
[ "$values" = 12 ] || fail "$values values under the key, not 12"
pass "the twelve values are REG_DWORD values under $key"

rm -f "$report"
KESTRO_STARTUP_REPORT=$(winepath -w "$report") wine "$saver" /a 0
for pair in MouseMove=1 MousePress=0 KeyboardPress=0 ShowCursor=1 OnlyEscKeyExit=1 \
  BackgroundColor=1193046 ImageInterval=42 ImageSize=2 ImageSequence=0 EffectSpeed2=5 PlayMusic=0 \
  CaptionForceHide=1; do
  [ "$(report_value "$report" "${pair%%=*}")" = "${pair#*=}" ] || fail "${pair%%=*} did not come back as ${pair#*=}"
done
[ "$(report_value "$report" ClearOldImage)" = 0 ] || fail "ClearOldImage survived the run"
[ "$(report_value "$report" CaptionX)" = 33 ] || fail "CaptionX survived the run"
pass "the next start reads the twelve values back; other changes are gone"

# A value of another type ends the read there.
wine reg add "$key" /v KeyboardPressExit /t REG_SZ /d 1 /f >/dev/null 2>&1
rm -f "$report"
KESTRO_STARTUP_REPORT=$(winepath -w "$report") wine "$saver" /a 0
[ "$(report_value "$report" MousePress)" = 0 ] || fail "MousePressExit before the string not read"
[ "$(report_value "$report" KeyboardPress)" = 1 ] || fail "the string value was taken"
[ "$(report_value "$report" ImageInterval)" = 5 ] || fail "values after the string were read"
pass "a value of another type ends the user read"
