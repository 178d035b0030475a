#!/usr/bin/env bash
# Writes a few short MP3s (CBR, VBR, an ID3v2 tag) for fuzz_mpegdll into the
# folder given (default: build/fuzz/seeds/mpegdll).
set -euo pipefail
out="${1:-build/fuzz/seeds/mpegdll}"
mkdir -p "$out"
command -v lame >/dev/null && command -v ffmpeg >/dev/null || exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=0.15" -ac 1 "$tmp/t.wav"
lame --quiet -b 32 "$tmp/t.wav" "$out/cbr.mp3"
lame --quiet -V 6 "$tmp/t.wav" "$out/vbr.mp3"
lame --quiet -b 24 --id3v2-only --tt T "$tmp/t.wav" "$out/id3.mp3"
