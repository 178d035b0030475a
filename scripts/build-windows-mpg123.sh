#!/usr/bin/env bash
# Builds libmpg123 and libout123 (with the waveOut output built in) as static libraries for one
# mingw-w64 target, from Debian's mpg123 source package at a pinned version. The decoder
# library tools/mpegdll links them.
#
#   scripts/build-windows-mpg123.sh x86_64|i686
#
# Result: ${KESTRO_DEPS_DIR:-<repo>/build/deps}/mpg123/<arch>-w64-mingw32/{include,lib}
# The source package is cached in ${KESTRO_DEPS_DIR}/src. A stamp file in the prefix names the
# version and this script's hash; when it matches, the script does nothing. KESTRO_JOBS sets the
# build's parallel jobs (default 2). Installs missing packages with apt-get (as root). The
# deb-src entries that apt needs for the download are the ones scripts/build-windows-deps.sh
# adds.
set -Eeuo pipefail

# Debian bookworm (apt-get source mpg123=VERSION).
MPG123_VERSION="1.31.2-1+deb12u1"
JOBS="${KESTRO_JOBS:-2}"

die() { echo "build-windows-mpg123: error: $*" >&2; exit 1; }
note() { echo "build-windows-mpg123: $*"; }

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
PREFIX="$DEPS_DIR/mpg123/$TRIPLET"
SRC_CACHE="$DEPS_DIR/src"
WORK_DIR="$DEPS_DIR/work/mpg123-$TRIPLET"
STAMP="$PREFIX/kestro-mpg123.stamp"
DSC="$SRC_CACHE/mpg123_${MPG123_VERSION}.dsc"

stamp_text() {
  printf 'target=%s\nmpg123=%s\nrecipe=%s\n' "$TRIPLET" "$MPG123_VERSION" \
    "$(sha256sum "$SCRIPT_PATH" | cut -d' ' -f1)"
}
prefix_is_current() {
  [[ -f "$STAMP" && "$(cat "$STAMP")" == "$(stamp_text)" &&
     -f "$PREFIX/lib/libmpg123.a" && -f "$PREFIX/lib/libout123.a" ]]
}

if prefix_is_current; then
  note "$TRIPLET is up to date ($PREFIX)"
  exit 0
fi
exec 9>"$DEPS_DIR/.lock-mpg123-$TRIPLET"
flock 9
if prefix_is_current; then
  note "$TRIPLET is up to date ($PREFIX)"
  exit 0
fi
START_SECONDS=$SECONDS

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" == "installed" ]]
}
missing=()
for p in "gcc-mingw-w64-$DEB_GCC_ARCH-posix" "binutils-mingw-w64-$DEB_GCC_ARCH" make xz-utils bzip2 patch; do
  is_installed "$p" || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  [[ $EUID -eq 0 ]] || die "needs root to install ${missing[*]}"
  note "installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    die "apt-get install ${missing[*]} failed"
fi

# The source package: its .dsc and the files it lists, checked against the listed SHA-256. The
# upstream signature (.asc) is left out: the mirror does not serve it, and the .dsc's own checksums,
# from apt's signed index, vouch for the tarballs.
dsc_complete() {
  [[ -f "$DSC" ]] || return 1
  local sum name found=0
  while read -r sum _ name; do
    [[ -n "$name" && "$name" != *.asc ]] || continue
    [[ -f "$SRC_CACHE/$name" && "$(sha256sum "$SRC_CACHE/$name" | cut -d' ' -f1)" == "$sum" ]] || return 1
    found=1
  done < <(awk '/^Checksums-Sha256:/{on=1; next} on && /^ /{print; next} {on=0}' "$DSC")
  [[ $found -eq 1 ]]
}
source_known() {
  local records
  records="$(apt-cache showsrc --only-source mpg123 2>/dev/null || true)"
  grep -qxF "Version: $MPG123_VERSION" <<<"$records"
}

mkdir -p "$SRC_CACHE"
if ! dsc_complete; then
  if ! source_known; then
    apt-get update -qq || die "apt-get update failed"
  fi
  source_known ||
    die "apt offers no source package mpg123=$MPG123_VERSION (no deb-src entry? scripts/build-windows-deps.sh adds them; or Debian replaced the version: update the pin in $SCRIPT_PATH)"
  note "downloading source package mpg123=$MPG123_VERSION"
  dl="$(mktemp -d "$SRC_CACHE/.download.XXXXXX")"
  if [[ $EUID -eq 0 ]] && id _apt >/dev/null 2>&1; then chown _apt "$dl"; fi
  # Fails on the missing signature file after fetching the others; dsc_complete judges.
  (cd "$dl" && apt-get source -qq --download-only "mpg123=$MPG123_VERSION") >/dev/null 2>&1 || true
  mv -f "$dl"/* "$SRC_CACHE"/ 2>/dev/null || true
  rm -rf "$dl"
  dsc_complete || die "downloaded mpg123 but $DSC or its files are missing or damaged"
fi

CC="$TRIPLET-gcc-posix"
command -v "$CC" >/dev/null || die "$CC not found"
LOG="$WORK_DIR/build.log"
on_error() {
  local rc=$?
  echo "build-windows-mpg123: error: $TRIPLET: build failed (exit $rc)" >&2
  [[ -f "$LOG" ]] && tail -n 40 "$LOG" >&2
  exit "$rc"
}
trap on_error ERR

rm -rf "${WORK_DIR:?}" "${PREFIX:?}"
mkdir -p "$WORK_DIR" "$PREFIX"
note "building mpg123 $MPG123_VERSION for $TRIPLET into $PREFIX"
# Unpacked as dpkg-source would (which insists on the signature file): the upstream tarball, the
# debian folder over it, and Debian's patches in series order.
mkdir -p "$WORK_DIR/src"
tar -xjf "$SRC_CACHE/mpg123_${MPG123_VERSION%%-*}.orig.tar.bz2" -C "$WORK_DIR/src" --strip-components=1
tar -xJf "$SRC_CACHE/mpg123_${MPG123_VERSION}.debian.tar.xz" -C "$WORK_DIR/src"
if [[ -f "$WORK_DIR/src/debian/patches/series" ]]; then
  while read -r patch_name _; do
    [[ -n "$patch_name" && "$patch_name" != \#* ]] || continue
    patch -d "$WORK_DIR/src" -p1 --forward --quiet <"$WORK_DIR/src/debian/patches/$patch_name" >>"$LOG" 2>&1
  done <"$WORK_DIR/src/debian/patches/series"
fi
# Only the two libraries, static, with the waveOut output compiled in (no loadable modules).
(cd "$WORK_DIR/src" &&
  ./configure --host="$TRIPLET" CC="$CC" CFLAGS="-O2 -DNDEBUG" --prefix="$PREFIX" \
    --enable-static --disable-shared --disable-modules \
    --with-audio=win32 --with-default-audio=win32 \
    --disable-components --enable-libmpg123 --enable-libout123 &&
  make -j"$JOBS" && make install) >>"$LOG" 2>&1
rm -rf "${PREFIX:?}/bin" "${PREFIX:?}/share"
for f in lib/libmpg123.a lib/libout123.a include/mpg123.h include/out123.h include/fmt123.h; do
  [[ -f "$PREFIX/$f" ]] || die "$f was not installed into $PREFIX"
done
if compgen -G "$PREFIX/lib/*.dll.a" >/dev/null; then die "DLL import libraries found in $PREFIX/lib"; fi
rm -rf "${WORK_DIR:?}"
stamp_text >"$STAMP.tmp"
mv "$STAMP.tmp" "$STAMP"
trap - ERR
note "$TRIPLET done in $((SECONDS - START_SECONDS)) s: $PREFIX"
