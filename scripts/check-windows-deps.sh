#!/usr/bin/env bash
# Smoke check of the Windows picture libraries: builds scripts/checks/picture-libs (through
# cmake/KestroPictureLibs.cmake) with both mingw-w64 compilers as one static .exe each, makes
# sample pictures with ImageMagick, decodes them with the x86_64 build under wine and checks
# sizes and pixels. The i686 build is only linked. Exits non-zero on any failure.
#
#   scripts/check-windows-deps.sh
#
# Runs scripts/build-windows-deps.sh for both targets first (a no-op when they are built).
# Work folder: ${KESTRO_CHECK_DIR:-<repo>/build/check-windows-deps}.
set -Eeuo pipefail

die() { echo "check-windows-deps: FAILED: $*" >&2; exit 1; }
note() { echo "check-windows-deps: $*"; }
trap 'echo "check-windows-deps: FAILED at line $LINENO: $BASH_COMMAND" >&2' ERR

REPO_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KESTRO_DEPS_DIR="${KESTRO_DEPS_DIR:-$REPO_DIR/build/deps}"
WORK="${KESTRO_CHECK_DIR:-$REPO_DIR/build/check-windows-deps}"
JOBS="${KESTRO_JOBS:-2}"

# ImageMagick's own convert (a wrapper of the same name may sit earlier on PATH) and wine.
CONVERT=/usr/bin/convert
missing=()
[[ -x "$CONVERT" ]] || missing+=(imagemagick)
command -v wine >/dev/null || missing+=(wine wine64)
if [[ ${#missing[@]} -gt 0 ]]; then
  [[ $EUID -eq 0 ]] || die "missing ${missing[*]}; install them as root"
  note "installing ${missing[*]}"
  apt-get update -qq
  # No recommends: they would pull in wine32, which this machine cannot run.
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for arch in x86_64 i686; do
  "$REPO_DIR/scripts/build-windows-deps.sh" "$arch"
done

rm -rf "${WORK:?}"
mkdir -p "$WORK/samples"

# Samples: 53x37, rgb(200,100,50) with a 16x16 rgb(20,40,220) block in the top-left corner
# (aligned to JPEG's blocks, so lossy formats keep both colours close).
S="$WORK/samples"
"$CONVERT" -size 53x37 'xc:rgb(200,100,50)' -fill 'rgb(20,40,220)' -draw 'rectangle 0,0 15,15' \
  "PNG24:$S/base.png"
"$CONVERT" "$S/base.png" -quality 95 "$S/sample.jpg"
"$CONVERT" "$S/base.png" "$S/sample.gif"
"$CONVERT" "$S/base.png" "PNG24:$S/sample.png"
# A long comment becomes a zTXt chunk after the pixel data.
"$CONVERT" "$S/base.png" -set comment "$(printf 'kestro %.0s' {1..400})" "$S/sample-ztxt.png"
"$CONVERT" "$S/base.png" -compress JPEG -quality 95 "$S/sample-jpeg.tif"
"$CONVERT" "$S/base.png" -compress Zip "$S/sample-zip.tif"
"$CONVERT" "$S/base.png" -compress LZW "$S/sample-lzw.tif"
# Damaged files: each must give an error line, not a crash.
head -c 120 "$S/sample.jpg" >"$S/broken.jpg"
head -c 40 "$S/sample.gif" >"$S/broken.gif"
head -c 60 "$S/sample.png" >"$S/broken.png"
head -c 100 "$S/sample-jpeg.tif" >"$S/broken.tif"

GOOD=(sample.jpg:JPEG sample.gif:GIF sample.png:PNG sample-ztxt.png:PNG
  sample-jpeg.tif:TIFF/jpeg sample-zip.tif:TIFF/deflate sample-lzw.tif:TIFF/lzw)
BAD=(broken.jpg broken.gif broken.png broken.tif)

# check_output FILE: every good sample decoded to the right format, size and colours
# (within 12 per channel for the lossy ones).
check_output() {
  local out="$1" entry file format line
  for entry in "${GOOD[@]}"; do
    file="${entry%%:*}"
    format="${entry#*:}"
    line="$(grep -F "$file: " "$out" || true)"
    [[ -n "$line" ]] || die "no output for $file"
    awk -v want="$format" -v tol=12 '
      function near(got, r, g, b,   c) {
        split(got, c, ",")
        return c[1] - r <= tol && r - c[1] <= tol && c[2] - g <= tol && g - c[2] <= tol &&
               c[3] - b <= tol && b - c[3] <= tol
      }
      {
        ok = ($2 == want && $3 == "53x37" && $4 ~ /^centre=/ && $5 ~ /^corner=/)
        centre = $4; sub(/^centre=/, "", centre)
        corner = $5; sub(/^corner=/, "", corner)
        if (!(ok && near(centre, 200, 100, 50) && near(corner, 20, 40, 220))) exit 1
      }' <<<"$line" || die "unexpected result: $line (expected $format 53x37 centre~200,100,50 corner~20,40,220)"
  done
}

# no_dll_dependencies EXE OBJDUMP: the program needs only Windows system DLLs.
no_dll_dependencies() {
  local dlls
  dlls="$("$2" -p "$1" | awk '/DLL Name:/ {print $3}')"
  [[ -n "$dlls" ]] || die "objdump found no imports in $1"
  if grep -viE '^(kernel32|msvcrt|user32|gdi32|advapi32|shell32|ole32|oleaut32|ws2_32|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$dlls"; then
    die "$1 depends on the DLLs above; it must be linked statically"
  fi
}

for arch in x86_64 i686; do
  triplet="$arch-w64-mingw32"
  build="$WORK/build-$arch"
  note "building the check program for $triplet"
  cmake -S "$REPO_DIR/scripts/checks/picture-libs" -B "$build" -G Ninja \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$arch" \
    -DCMAKE_C_COMPILER="$triplet-gcc-posix" -DCMAKE_CXX_COMPILER="$triplet-g++-posix" \
    -DCMAKE_RC_COMPILER="$triplet-windres" -DCMAKE_BUILD_TYPE=Release \
    -DKESTRO_DEPS_DIR="$KESTRO_DEPS_DIR" >"$build.configure.log" 2>&1 ||
    { tail -n 30 "$build.configure.log" >&2; die "configuring the check program for $triplet"; }
  cmake --build "$build" -j "$JOBS" >"$build.build.log" 2>&1 ||
    { tail -n 30 "$build.build.log" >&2; die "building the check program for $triplet"; }
  if grep -q 'warning:' "$build.build.log"; then
    grep 'warning:' "$build.build.log" >&2
    die "the check program for $triplet compiled with warnings"
  fi
  exe="$build/picture-libs-check.exe"
  [[ -f "$exe" ]] || die "$exe was not built"
  no_dll_dependencies "$exe" "$triplet-objdump"
  note "  $triplet: linked statically ($(stat -c %s "$exe") bytes)"
done

note "decoding the samples with the x86_64 build under wine"
export WINEDEBUG=-all
cd "$S"
exe="$WORK/build-x86_64/picture-libs-check.exe"
files=()
for entry in "${GOOD[@]}"; do files+=("${entry%%:*}"); done
if ! wine "$exe" "${files[@]}" >"$WORK/good.out" 2>"$WORK/good.err"; then
  cat "$WORK/good.out" "$WORK/good.err" >&2
  die "the check program failed on the good samples"
fi
tr -d '\r' <"$WORK/good.out" >"$WORK/good.txt"
cat "$WORK/good.txt"
check_output "$WORK/good.txt"

status=0
wine "$exe" "${BAD[@]}" >"$WORK/bad.out" 2>"$WORK/bad.err" || status=$?
tr -d '\r' <"$WORK/bad.out" >"$WORK/bad.txt"
cat "$WORK/bad.txt"
[[ $status -eq 1 ]] || { cat "$WORK/bad.err" >&2; die "damaged samples: exit status $status, expected 1"; }
for file in "${BAD[@]}"; do
  grep -qF "$file: error: " "$WORK/bad.txt" || die "no error reported for $file"
done

note "all checks passed"
