#!/usr/bin/env bash
# The resources of the Windows runtime, x86-64 and (when it is built beside
# it) i686: the manifest asking for common controls 6 and per-monitor DPI
# awareness, an icon, version information with product name, version and
# description, and no string table (whose string 1 Windows would show as the
# name of every screensaver built from the runtime).
source "$(dirname "$0")/lib.sh"

# types EXE: the resource types of the file, one decimal number a line.
types() {
  "$1" -p "$2" | sed -n '/The .rsrc Resource Directory section/,$p' |
    sed -nE 's/^[0-9a-f]{3}   Entry: ID: 0x([0-9a-f]+),.*/\1/p' | while read -r hex; do echo $(( 16#$hex )); done
}

check() {  # check OBJDUMP EXE ARCH
  local objdump=$1 exe=$2 arch=$3 found
  [ -f "$exe" ] || fail "$arch: no $exe"
  found=$(types "$objdump" "$exe" | tr '\n' ' ')
  for type in 3 14 16 24; do  # icon, icon group, version, manifest
    [[ " $found" == *" $type "* ]] || fail "$arch: no resource of type $type (types: $found)"
  done
  [[ " $found" != *" 6 "* ]] || fail "$arch: the runtime has a string table"
  grep -aq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$exe" || fail "$arch: manifest without common controls 6"
  grep -aq '>PerMonitorV2, PerMonitor</dpiAwareness>' "$exe" || fail "$arch: manifest without per-monitor DPI awareness"
  local strings
  strings=$(strings -el "$exe")
  for text in ProductName Kestro FileDescription "Kestro picture-slideshow screensaver" ProductVersion; do
    grep -qx "$text" <<<"$strings" || fail "$arch: version information without \"$text\""
  done
  grep -Eqx '[0-9]+\.[0-9]+\.[0-9]+' <<<"$strings" || fail "$arch: version information without a version"
  pass "$arch: manifest (common controls 6, per-monitor DPI v2), icon, version information, no string table"
}

check x86_64-w64-mingw32-objdump "$SAVER_EXE" x86-64
win32_exe="$WIN64_BUILD/../win32/src/app/kestro-saver.exe"
if [ -f "$win32_exe" ]; then
  check i686-w64-mingw32-objdump "$win32_exe" i686
else
  echo "  note: no i686 build beside $WIN64_BUILD; its resources are checked when it is built"
fi
