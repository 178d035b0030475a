#!/usr/bin/env bash
# Runs the README's two commands the way a new user would: in a fresh
# Debian 12 root that has nothing but the base system, with a clean checkout
# of this repository's committed HEAD. A machine that already has the
# packages hides a missing install step; this does not.
#
#   scripts/fresh-check.sh [demo|test|both]    (default: both)
#
# The root is made with debootstrap from Debian's registry into
# build/fresh/root (kept between runs as build/fresh/base.tar, so later runs
# start from the same untouched base), then the commands run in it through
# chroot. Needs root. Slow (a full build and test run): not part of CI.
# Environment: FRESH_MIRROR (default http://deb.debian.org/debian),
#              FRESH_FUZZ_SECONDS (default 5), DEMO_SECONDS (default 12).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-both}
case "$what" in demo|test|both) ;; *) echo "usage: $0 [demo|test|both]" >&2; exit 2 ;; esac
[ "$(id -u)" -eq 0 ] || { echo "fresh-check: needs root (debootstrap and chroot)" >&2; exit 1; }
"$root/scripts/setup.sh" fresh

mirror=${FRESH_MIRROR:-http://deb.debian.org/debian}

work="$root/build/fresh"
base="$work/base.tar"
chroot_dir="$work/root"
mkdir -p "$work"

unmount_all() {
  for m in dev/pts dev proc sys tmp; do
    mountpoint -q "$chroot_dir/$m" 2>/dev/null && umount -l "$chroot_dir/$m" || true
  done
}
trap unmount_all EXIT

unmount_all
rm -rf "$chroot_dir"
if [ ! -f "$base" ]; then
  echo "== debootstrap bookworm from $mirror (once; kept as $base)"
  debootstrap --variant=minbase bookworm "$chroot_dir.new" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log"; exit 1; }
  tar -C "$chroot_dir.new" -cf "$base" .
  rm -rf "$chroot_dir.new"
fi
mkdir -p "$chroot_dir"
tar -C "$chroot_dir" -xf "$base"
# Debian's sources as this machine names them (nothing the project added),
# in place of debootstrap's own list, so that each source is named once.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  cp /etc/apt/sources.list.d/debian.sources "$chroot_dir/etc/apt/sources.list.d/"
  rm -f "$chroot_dir/etc/apt/sources.list"
fi
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"

echo "== a clean checkout of $(git -C "$root" rev-parse --short HEAD)"
git clone -q --no-local "$root" "$chroot_dir/home/kestro"
git -C "$chroot_dir/home/kestro" checkout -q "$(git -C "$root" rev-parse HEAD)"

mount --bind /dev "$chroot_dir/dev"
mount --bind /dev/pts "$chroot_dir/dev/pts"
mount -t proc proc "$chroot_dir/proc"
mount -t sysfs sys "$chroot_dir/sys"
mount -t tmpfs tmpfs "$chroot_dir/tmp"

run_in_root() {  # COMMAND
  chroot "$chroot_dir" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 DEMO_SECONDS="${DEMO_SECONDS:-12}" FUZZ_SECONDS="${FRESH_FUZZ_SECONDS:-5}" \
    bash -c "cd /home/kestro && $1"
}

status=0
if [ "$what" != test ]; then
  echo "== scripts/demo.sh in the fresh root (log: $work/demo.log)"
  if run_in_root scripts/demo.sh >"$work/demo.log" 2>&1; then
    shots=$(ls "$chroot_dir/home/kestro/build/demo"/show-*.png 2>/dev/null | wc -l)
    echo "   passed; $shots screenshots in $chroot_dir/home/kestro/build/demo/"
  else
    status=1
    echo "   FAILED:"; tail -n 30 "$work/demo.log"
  fi
fi
if [ "$what" != demo ]; then
  echo "== scripts/test.sh in the fresh root (log: $work/test.log)"
  if run_in_root scripts/test.sh >"$work/test.log" 2>&1; then
    echo "   passed"
  else
    status=1
    echo "   FAILED:"; tail -n 30 "$work/test.log"
  fi
fi
exit $status
