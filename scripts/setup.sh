#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those missing.
# Usage: scripts/setup.sh [GROUP...]   groups: build windows run check fuzz bench fresh all (default: all
# but fresh). build: compilers and the libraries the programs link (X11, GTK 3, GStreamer for the
# Linux runtime); run: what the end-to-end tests run (wine, Xvfb, xdotool, PulseAudio, GStreamer's
# plugins, Debian's xscreensaver daemon).
set -euo pipefail

declare -A GROUPS_PKGS=(
  [build]="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libjpeg62-turbo-dev libgif-dev libpng-dev libtiff-dev libfreetype-dev libfontconfig-dev libturbojpeg0-dev libheif-dev libavif-dev libwebp-dev libheif-examples libavif-bin webp libimage-exiftool-perl libjpeg-turbo-progs tmux fonts-dejavu-core fonts-dejavu-extra libmpg123-dev mpg123 lame sox libx11-dev libxext-dev libxrandr-dev libxinerama-dev libgtk-3-dev libgstreamer1.0-dev"
  [windows]="g++-mingw-w64-x86-64 g++-mingw-w64-i686 libz-mingw-w64-dev nasm dpkg-dev make bzip2 patch"
  [run]="wine wine64 fonts-wine xvfb xdotool imagemagick x11-utils pulseaudio pulseaudio-utils python3-numpy gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pulseaudio xscreensaver xscreensaver-data openbox util-linux ffmpeg lame"
  # The differential tests: other tools that write and read archives and
  # pictures, and a photograph to feed them (matplotlib's sample data); a
  # browser that loads the effect gallery (scripts/checks/gallery-browser.sh).
  [check]="python3 zip unzip libarchive-tools p7zip-full python3-pil imagemagick netpbm libtiff-tools giflib-tools libjpeg-turbo-progs ffmpeg python-matplotlib-data chromium"
  [fuzz]="clang libclang-rt-14-dev"
  [bench]="unzip zip python3 libjpeg-turbo-progs ffmpeg"
  [fresh]="debootstrap"
)

groups=("$@")
if [ ${#groups[@]} -eq 0 ] || [[ " ${groups[*]} " == *" all "* ]]; then
  groups=(build windows run check fuzz bench)
fi

wanted=()
for g in "${groups[@]}"; do
  [ -n "${GROUPS_PKGS[$g]+x}" ] || { echo "setup.sh: unknown group '$g'" >&2; exit 2; }
  for p in ${GROUPS_PKGS[$g]}; do wanted+=("$p"); done
done

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup.sh: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
