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
