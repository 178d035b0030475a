#!/usr/bin/env bash
# Builds the picture-decoding libraries (libjpeg-turbo, giflib, libpng, libtiff) as static
# libraries for one mingw-w64 target, from Debian's source packages at pinned versions.
#
#   scripts/build-windows-deps.sh x86_64|i686
#
# Result: ${KESTRO_DEPS_DIR:-<repo>/build/deps}/<arch>-w64-mingw32/{include,lib}
# Source packages are cached in ${KESTRO_DEPS_DIR}/src. zlib comes from Debian's
# libz-mingw-w64-dev (/usr/<arch>-w64-mingw32/lib/libz.a).
# A stamp file in the prefix records what was built; when it matches, the script does nothing.
# KESTRO_JOBS sets the build's parallel jobs (default 2). Installs missing packages with apt-get
# (as root), and adds a deb-src entry when the pinned source packages are not known to apt.
set -Eeuo pipefail

# Debian bookworm source versions (apt-get source PKG=VERSION).
# libpng1.6 and tiff are the bookworm point-release versions: the newer bookworm-security
# uploads (libpng1.6 1.6.39-2+deb12u6, tiff 4.5.0-6+deb12u5) are listed in the source index
# but their files are not served by the mirror. The flags below switch off the code two of
# their fixes are about (libpng's compressed text/ICC chunk reading, libtiff's PixarLog codec).
LIBJPEG_TURBO_VERSION="1:2.1.5-2"
GIFLIB_VERSION="5.2.1-2.5+deb12u1"
LIBPNG_VERSION="1.6.39-2+deb12u5"
TIFF_VERSION="4.5.0-6+deb12u4"

JOBS="${KESTRO_JOBS:-2}"

die() { echo "build-windows-deps: error: $*" >&2; exit 1; }
note() { echo "build-windows-deps: $*"; }

[[ $# -eq 1 ]] || die "usage: $0 x86_64|i686"
[[ "$JOBS" =~ ^[1-9][0-9]*$ ]] || die "KESTRO_JOBS must be a positive number, not '$JOBS'"
ARCH="$1"
case "$ARCH" in
  x86_64) DEB_GCC_ARCH="x86-64" ;;
  i686) DEB_GCC_ARCH="i686" ;;
  *) die "unknown architecture '$ARCH' (expected x86_64 or i686)" ;;
esac
TRIPLET="$ARCH-w64-mingw32"

SCRIPT_PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")"
REPO_DIR="$(cd "$(dirname "$SCRIPT_PATH")/.." && pwd)"
DEPS_DIR="${KESTRO_DEPS_DIR:-$REPO_DIR/build/deps}"
mkdir -p "$DEPS_DIR"
DEPS_DIR="$(cd "$DEPS_DIR" && pwd)"
PREFIX="$DEPS_DIR/$TRIPLET"
SRC_CACHE="$DEPS_DIR/src"
WORK_DIR="$DEPS_DIR/work/$TRIPLET"
STAMP="$PREFIX/kestro-deps.stamp"

# The stamp names every input of the build: the pinned versions and this script's own text,
# so a change of flags or versions rebuilds. cmake/KestroPictureLibs.cmake checks the same line.
RECIPE_HASH="$(sha256sum "$SCRIPT_PATH" | cut -d' ' -f1)"
stamp_text() {
  cat <<EOF
target=$TRIPLET
libjpeg-turbo=$LIBJPEG_TURBO_VERSION
giflib=$GIFLIB_VERSION
libpng1.6=$LIBPNG_VERSION
tiff=$TIFF_VERSION
recipe=$RECIPE_HASH
EOF
}

EXPECTED_LIBS=(libjpeg.a libgif.a libpng16.a libtiff.a)
prefix_is_current() {
  [[ -f "$STAMP" ]] || return 1
  [[ "$(cat "$STAMP")" == "$(stamp_text)" ]] || return 1
  local lib
  for lib in "${EXPECTED_LIBS[@]}"; do
    [[ -f "$PREFIX/lib/$lib" ]] || return 1
  done
}

if prefix_is_current; then
  note "$TRIPLET is up to date ($PREFIX)"
  exit 0
fi

# One build per target at a time.
exec 9>"$DEPS_DIR/.lock-$TRIPLET"
flock 9
if prefix_is_current; then
  note "$TRIPLET is up to date ($PREFIX)"
  exit 0
fi

START_SECONDS=$SECONDS

# ---------------------------------------------------------------------------------------------
# Tools and packages

APT_UPDATED=0
apt_update_once() {
  if [[ $APT_UPDATED -eq 0 ]]; then
    note "apt-get update"
    apt-get update -qq || die "apt-get update failed"
    APT_UPDATED=1
  fi
}

as_root() {
  if [[ $EUID -eq 0 ]]; then "$@"; else die "needs root to run: $*"; fi
}

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" == "installed" ]]
}

REQUIRED_PACKAGES=(
  "gcc-mingw-w64-$DEB_GCC_ARCH-posix" "g++-mingw-w64-$DEB_GCC_ARCH-posix" "binutils-mingw-w64-$DEB_GCC_ARCH"
  libz-mingw-w64-dev nasm dpkg-dev cmake ninja-build xz-utils patch
)

# Source packages: name, pinned version.
SOURCE_PACKAGES=(
  "libjpeg-turbo=$LIBJPEG_TURBO_VERSION"
  "giflib=$GIFLIB_VERSION"
  "libpng1.6=$LIBPNG_VERSION"
  "tiff=$TIFF_VERSION"
)

# dsc path in the cache for "name=version" (the file name drops the epoch).
dsc_path() {
  local name="${1%%=*}" version="${1#*=}"
  echo "$SRC_CACHE/${name}_${version#*:}.dsc"
}

# True when the .dsc and every file it lists are in the cache with the listed SHA-256.
dsc_complete() {
  local dsc="$1" dir sum name
  [[ -f "$dsc" ]] || return 1
  dir="$(dirname "$dsc")"
  local found=0
  while read -r sum _ name; do
    [[ -n "$name" ]] || continue
    [[ -f "$dir/$name" ]] || return 1
    [[ "$(sha256sum "$dir/$name" | cut -d' ' -f1)" == "$sum" ]] || return 1
    found=1
  done < <(awk '/^Checksums-Sha256:/{on=1; next} on && /^ /{print; next} {on=0}' "$dsc")
  [[ $found -eq 1 ]]
}

source_known() {
  local name="${1%%=*}" version="${1#*=}"
  local records
  records="$(apt-cache showsrc --only-source "$name" 2>/dev/null || true)"
  grep -qxF "Version: $version" <<<"$records"
}

# Writes /etc/apt/sources.list.d/kestro-deb-src.{sources,list}: a deb-src twin of every enabled
# Debian "deb" entry of this release found in the machine's sources (one-line and deb822 files).
add_deb_src_entries() {
  local codename
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  [[ -n "$codename" ]] || die "cannot read VERSION_CODENAME from /etc/os-release"
  local suite_re="^${codename}([-/][a-z-]+)?\$"

  local one_line_files=() deb822_files=() f
  [[ -f /etc/apt/sources.list ]] && one_line_files+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" && "$(basename "$f")" != kestro-deb-src.list ]] && one_line_files+=("$f")
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$f" && "$(basename "$f")" != kestro-deb-src.sources ]] && deb822_files+=("$f")
  done

  local one_line="" deb822=""
  if [[ ${#one_line_files[@]} -gt 0 ]]; then
    one_line="$(awk -v re="$suite_re" '
      /^[ \t]*deb[ \t]/ {
        line = $0
        sub(/^[ \t]*deb[ \t]+/, "", line)
        opts = ""
        if (substr(line, 1, 1) == "[") {
          end = index(line, "]")
          if (end == 0) next
          opts = substr(line, 1, end) " "
          line = substr(line, end + 1)
          sub(/^[ \t]+/, "", line)
        }
        n = split(line, w, /[ \t]+/)
        if (n >= 2 && w[2] ~ re) print "deb-src " opts line
      }' "${one_line_files[@]}")"
  fi
  if [[ ${#deb822_files[@]} -gt 0 ]]; then
    deb822="$(awk -v re="$suite_re" '
      BEGIN { RS = ""; FS = "\n" }
      {
        nf = 0; types = ""; suites = ""; enabled = "yes"
        for (i = 1; i <= NF; i++) {
          l = $i
          if (l ~ /^#/) continue
          if (l ~ /^[ \t]/) { if (nf > 0) text[nf] = text[nf] "\n" l; continue }
          nf++; text[nf] = l
          key = tolower(l); sub(/:.*/, "", key); keys[nf] = key
          val = l; sub(/^[^:]*:[ \t]*/, "", val)
          if (key == "types") types = val
          else if (key == "suites") suites = val
          else if (key == "enabled") enabled = tolower(val)
        }
        if (enabled == "no" || (" " types " ") !~ /[ \t]deb[ \t]/) next
        n = split(suites, s, /[ \t]+/); kept = ""
        for (i = 1; i <= n; i++) if (s[i] ~ re) kept = kept (kept == "" ? "" : " ") s[i]
        if (kept == "") next
        out = out "Types: deb-src\nSuites: " kept "\n"
        for (i = 1; i <= nf; i++)
          if (keys[i] != "types" && keys[i] != "suites" && keys[i] != "architectures")
            out = out text[i] "\n"
        out = out "\n"
      }
      END { printf "%s", out }' "${deb822_files[@]}")"
  fi

  [[ -n "$one_line$deb822" ]] ||
    die "found no '$codename' deb entry in /etc/apt/sources.list or /etc/apt/sources.list.d/ to derive a deb-src entry from"
  if [[ -n "$one_line" ]]; then
    as_root tee /etc/apt/sources.list.d/kestro-deb-src.list >/dev/null <<<"$one_line"
    note "wrote /etc/apt/sources.list.d/kestro-deb-src.list"
  fi
  if [[ -n "$deb822" ]]; then
    as_root tee /etc/apt/sources.list.d/kestro-deb-src.sources >/dev/null <<<"$deb822"
    note "wrote /etc/apt/sources.list.d/kestro-deb-src.sources"
  fi
}

missing_packages=()
for p in "${REQUIRED_PACKAGES[@]}"; do
  is_installed "$p" || missing_packages+=("$p")
done

mkdir -p "$SRC_CACHE"
missing_sources=()
for s in "${SOURCE_PACKAGES[@]}"; do
  dsc_complete "$(dsc_path "$s")" || missing_sources+=("$s")
done

sources_known=1
for s in "${missing_sources[@]}"; do source_known "$s" || sources_known=0; done
if [[ $sources_known -eq 0 && ! -f /etc/apt/sources.list.d/kestro-deb-src.sources &&
      ! -f /etc/apt/sources.list.d/kestro-deb-src.list ]]; then
  add_deb_src_entries
fi
if [[ ${#missing_packages[@]} -gt 0 || $sources_known -eq 0 ]]; then
  apt_update_once
fi

if [[ ${#missing_packages[@]} -gt 0 ]]; then
  note "installing ${missing_packages[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing_packages[@]}" >/dev/null || die "apt-get install ${missing_packages[*]} failed"
fi

for s in "${missing_sources[@]}"; do
  source_known "$s" ||
    die "apt offers no source package $s; Debian may have replaced that version: pick the current one (apt-cache showsrc ${s%%=*}) and update the pin at the top of $SCRIPT_PATH"
  note "downloading source package $s"
  dl="$(mktemp -d "$SRC_CACHE/.download.XXXXXX")"
  # apt downloads as the unprivileged _apt user when that user may write the target folder.
  if [[ $EUID -eq 0 ]] && id _apt >/dev/null 2>&1; then chown _apt "$dl"; fi
  (cd "$dl" && apt-get source -qq --download-only "$s") || { rm -rf "$dl"; die "apt-get source --download-only $s failed"; }
  mv -f "$dl"/* "$SRC_CACHE"/
  rm -rf "$dl"
  dsc_complete "$(dsc_path "$s")" || die "downloaded $s but $(dsc_path "$s") or its files are missing or damaged"
done

# ---------------------------------------------------------------------------------------------
# Build

CC="$TRIPLET-gcc-posix"
CXX="$TRIPLET-g++-posix"
AR="$TRIPLET-ar"
ZLIB_INCLUDE="/usr/$TRIPLET/include"
ZLIB_LIB="/usr/$TRIPLET/lib/libz.a"
for tool in "$CC" "$CXX" "$AR" nasm cmake ninja dpkg-source; do
  command -v "$tool" >/dev/null || die "$tool not found after installing the build packages"
done
[[ -f "$ZLIB_LIB" && -f "$ZLIB_INCLUDE/zlib.h" ]] || die "mingw zlib missing: $ZLIB_LIB (package libz-mingw-w64-dev)"

OPT_FLAGS="-O2 -DNDEBUG"
CURRENT_STEP="preparing"
CURRENT_LOG=""
on_error() {
  local rc=$?
  echo "build-windows-deps: error: $TRIPLET: $CURRENT_STEP failed (exit $rc)" >&2
  if [[ -n "$CURRENT_LOG" && -f "$CURRENT_LOG" ]]; then
    echo "---- last lines of $CURRENT_LOG ----" >&2
    tail -n 40 "$CURRENT_LOG" >&2
  fi
  exit "$rc"
}
trap on_error ERR

# step NAME COMMAND...: runs COMMAND with its output in a log that is shown when it fails.
step() {
  CURRENT_STEP="$1"
  shift
  CURRENT_LOG="${WORK_DIR:?}/logs/${CURRENT_STEP// /-}.log"
  "$@" >"$CURRENT_LOG" 2>&1
}

rm -rf "${WORK_DIR:?}" "${PREFIX:?}"
mkdir -p "$WORK_DIR/logs" "$PREFIX/include" "$PREFIX/lib"

TOOLCHAIN="$WORK_DIR/toolchain.cmake"
cat >"$TOOLCHAIN" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $ARCH)
set(CMAKE_C_COMPILER $CC)
set(CMAKE_CXX_COMPILER $CXX)
set(CMAKE_RC_COMPILER $TRIPLET-windres)
set(CMAKE_FIND_ROOT_PATH "$PREFIX" /usr/$TRIPLET)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

CMAKE_COMMON=(
  -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN"
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_C_FLAGS_RELEASE="$OPT_FLAGS"
  -DCMAKE_CXX_FLAGS_RELEASE="$OPT_FLAGS"
  -DCMAKE_INSTALL_PREFIX="$PREFIX"
  -DCMAKE_INSTALL_LIBDIR="$PREFIX/lib"
  -DCMAKE_INSTALL_INCLUDEDIR="$PREFIX/include"
  -DBUILD_SHARED_LIBS=OFF
)

# unpack NAME=VERSION DIR: extracts the source package, with Debian's patches applied.
unpack() {
  step "unpack ${1%%=*}" dpkg-source -x "$(dsc_path "$1")" "$2"
}

# cmake_build NAME SOURCE_DIR [cmake args...]
cmake_build() {
  local name="$1" src="$2"
  shift 2
  local bld="$WORK_DIR/build-$name"
  step "configure $name" cmake -S "$src" -B "$bld" "${CMAKE_COMMON[@]}" "$@"
  step "build $name" cmake --build "$bld" -j "$JOBS"
  step "install $name" cmake --install "$bld"
  if grep -E '^-- (Installing|Up-to-date): ' "$CURRENT_LOG" | grep -vF -- ": $PREFIX/"; then
    die "$name installed files outside $PREFIX (see $CURRENT_LOG)"
  fi
}

note "building $TRIPLET into $PREFIX"

# libjpeg-turbo: the libjpeg 6.2 API (jpeglib.h), 8-bit samples, SIMD through nasm.
t0=$SECONDS
src="$WORK_DIR/libjpeg-turbo"
unpack "libjpeg-turbo=$LIBJPEG_TURBO_VERSION" "$src"
cmake_build libjpeg-turbo "$src" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
  -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_12BIT=OFF \
  -DCMAKE_ASM_NASM_COMPILER=nasm
note "  libjpeg-turbo $LIBJPEG_TURBO_VERSION: $((SECONDS - t0)) s"

# giflib: only the library. Its Makefile builds shared objects and tools, so compile the
# library sources it lists directly.
t0=$SECONDS
src="$WORK_DIR/giflib"
unpack "giflib=$GIFLIB_VERSION" "$src"
read -r -a gif_sources <<<"$(awk '
  /^SOURCES[ \t]*=/ { on = 1; sub(/^SOURCES[ \t]*=/, "") }
  on { cont = sub(/\\[ \t]*$/, ""); printf "%s ", $0; if (!cont) exit }' "$src/Makefile")"
[[ ${#gif_sources[@]} -gt 0 ]] || die "could not read the library sources from $src/Makefile"
CURRENT_STEP="build giflib"
CURRENT_LOG="$WORK_DIR/logs/build-giflib.log"
: >"$CURRENT_LOG"
gif_objects=()
for f in "${gif_sources[@]}"; do
  "$CC" -std=gnu99 -Wall $OPT_FLAGS -c "$src/$f" -o "$WORK_DIR/gif-${f%.c}.o" >>"$CURRENT_LOG" 2>&1
  gif_objects+=("$WORK_DIR/gif-${f%.c}.o")
done
"$AR" rcs "$PREFIX/lib/libgif.a" "${gif_objects[@]}" >>"$CURRENT_LOG" 2>&1
install -m 644 "$src/gif_lib.h" "$PREFIX/include/"
note "  giflib $GIFLIB_VERSION: $((SECONDS - t0)) s"

# libpng with the mingw zlib. Reading of zTXt, iTXt and iCCP (the compressed ancillary chunks)
# is left out: a picture decoder has no use for them, and the pinned version has a known fault
# in that code. Such chunks are then skipped like any unknown ancillary chunk.
t0=$SECONDS
src="$WORK_DIR/libpng"
unpack "libpng1.6=$LIBPNG_VERSION" "$src"
printf '%s\n' "option READ_zTXt off" "option READ_iTXt off" "option READ_iCCP off" >"$WORK_DIR/png-extra.dfa"
cmake_build libpng "$src" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
  -DPNG_HARDWARE_OPTIMIZATIONS=ON -Dld-version-script=OFF \
  -DDFA_XTRA="$WORK_DIR/png-extra.dfa" \
  -DZLIB_INCLUDE_DIR="$ZLIB_INCLUDE" -DZLIB_LIBRARY="$ZLIB_LIB"
note "  libpng $LIBPNG_VERSION: $((SECONDS - t0)) s"

# libtiff with zlib and our libjpeg; no external codecs, tools, tests, docs or C++ API.
# PixarLog is left out: no picture source uses it, and the pinned version has a known fault in it.
t0=$SECONDS
src="$WORK_DIR/tiff"
unpack "tiff=$TIFF_VERSION" "$src"
cmake_build libtiff "$src" \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-deprecated=OFF \
  -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dpixarlog=OFF \
  -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlibdeflate=OFF -Dlerc=OFF \
  -Dtiff-opengl=OFF -Dsphinx=OFF -Dld-version-script=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_LibLZMA=ON -DCMAKE_DISABLE_FIND_PACKAGE_ZSTD=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_WebP=ON -DCMAKE_DISABLE_FIND_PACKAGE_JBIG=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_Deflate=ON -DCMAKE_DISABLE_FIND_PACKAGE_LERC=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_OpenGL=ON -DCMAKE_DISABLE_FIND_PACKAGE_GLUT=ON \
  -DJPEG_INCLUDE_DIR="$PREFIX/include" -DJPEG_LIBRARY="$PREFIX/lib/libjpeg.a" \
  -DZLIB_INCLUDE_DIR="$ZLIB_INCLUDE" -DZLIB_LIBRARY="$ZLIB_LIB"
note "  tiff $TIFF_VERSION: $((SECONDS - t0)) s"

# Keep headers and libraries (with their pkg-config and CMake files) in the prefix.
CURRENT_STEP="checking the installed files"
CURRENT_LOG=""
rm -rf "${PREFIX:?}/bin" "${PREFIX:?}/share"
for lib in "${EXPECTED_LIBS[@]}"; do
  [[ -f "$PREFIX/lib/$lib" ]] || die "$lib was not installed into $PREFIX/lib"
done
for header in jpeglib.h jconfig.h jmorecfg.h jerror.h gif_lib.h png.h pngconf.h pnglibconf.h \
  tiffio.h tiff.h tiffconf.h tiffvers.h; do
  [[ -f "$PREFIX/include/$header" ]] || die "$header was not installed into $PREFIX/include"
done
grep -q '^#define JPEG_SUPPORT' "$PREFIX/include/tiffconf.h" || die "libtiff was built without JPEG support"
grep -q '^#define ZIP_SUPPORT' "$PREFIX/include/tiffconf.h" || die "libtiff was built without zlib support"
if compgen -G "$PREFIX/lib/*.dll.a" >/dev/null; then die "DLL import libraries found in $PREFIX/lib"; fi

rm -rf "${WORK_DIR:?}"
stamp_text >"$STAMP.tmp"
mv "$STAMP.tmp" "$STAMP"
trap - ERR
note "$TRIPLET done in $((SECONDS - START_SECONDS)) s: $PREFIX"
