#!/usr/bin/env bash
# Writes seeds for fuzz_exif into the folder given: JPEG headers with EXIF
# in both byte orders (orientation, an Exif IFD with pixel dimensions), and
# the bare blocks.
set -euo pipefail
exec python3 - "${1:-build/fuzz/seeds/exif}" <<'PY'
import os, struct, sys
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for order, fmt in (("II", "<"), ("MM", ">")):
    for orientation in (1, 6, 8):
        ifd0 = struct.pack(fmt + "H", 2)
        ifd0 += struct.pack(fmt + "HHIHH", 0x0112, 3, 1, orientation, 0)
        ifd0 += struct.pack(fmt + "HHII", 0x8769, 4, 1, 8 + 2 + 24 + 4)
        ifd0 += struct.pack(fmt + "I", 0)
        exif = struct.pack(fmt + "HHII", 0xA002, 4, 1, 4032) + struct.pack(fmt + "HHIHH", 0xA003, 3, 1, 3024, 0)
        block = order.encode() + struct.pack(fmt + "HI", 42, 8) + ifd0 + struct.pack(fmt + "H", 2) + exif + b"\0\0\0\0"
        app1 = b"Exif\0\0" + block
        jpeg = b"\xff\xd8\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + b"\xff\xda\x00\x02\xff\xd9"
        with open(os.path.join(out, f"{order}-{orientation}.jpg"), "wb") as f:
            f.write(jpeg)
        with open(os.path.join(out, f"{order}-{orientation}.tiff"), "wb") as f:
            f.write(block)
PY
