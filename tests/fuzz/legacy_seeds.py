#!/usr/bin/env python3
"""Writes seeds for the fuzz targets of the old ZIP methods, or old-method
archives among the seeds of fuzz_zip, with kestro_legacy_zip of the fuzz build.

    legacy_seeds.py TARGET OUTDIR      TARGET: shrink reduce implode zip

A seed of a method's target is its input format (see fuzz_legacy.cpp): a
selector byte (the reduce factor or the implode flags), a chunk-size byte, a
declared-size byte, then a compressed stream; and the same samples as plain
data with the selector's high bit set, for the round trip.
"""
import os
import random
import subprocess
import sys
import tempfile

MAKER = os.path.join("build", "fuzz", "tests", "fuzz", "kestro_legacy_zip")


def samples():
    rng = random.Random(7)
    text = b"".join(rng.choice([b"slide ", b"picture ", b"effect\r\n", b"\x90"]) for _ in range(900))
    return {
        "text": text,
        "noise": rng.randbytes(3000),  # enough LZW codes for a partial clear
        "runs": b"".join(bytes([rng.randrange(256)]) * rng.randrange(1, 200) for _ in range(40)),
        "zeros": bytes(5000),
    }


def main():
    target, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    if not os.access(MAKER, os.X_OK):
        print(f"{MAKER} is not built: no seeds for {target}", file=sys.stderr)
        return 0
    ways = [line.split() for line in
            subprocess.run([MAKER, "ways"], check=True, capture_output=True, text=True).stdout.splitlines()]
    with tempfile.TemporaryDirectory() as work:
        paths = {}
        for name, data in samples().items():
            paths[name] = os.path.join(work, name)
            with open(paths[name], "wb") as f:
                f.write(data)
        if target == "zip":
            for way, _, _ in ways:
                subprocess.run([MAKER, "zip", os.path.join(out, f"legacy-{way}.zip"), way, *paths.values()], check=True)
            return 0
        for way, method, flags in ways:
            if not way.startswith(target):
                continue
            # The target's selector: the reduce factor less one, or the implode flags.
            selector = int(method) - 2 if target == "reduce" else int(flags)
            for name, path in paths.items():
                packed = os.path.join(work, "packed")
                subprocess.run([MAKER, "raw", way, path, packed], check=True)
                with open(packed, "rb") as f:
                    stream = f.read()
                with open(path, "rb") as f:
                    data = f.read()
                declared = (len(data) + 16410) // 16411  # the target's steps of the declared size
                with open(os.path.join(out, f"{way}-{name}.raw"), "wb") as f:
                    f.write(bytes([selector, 0, declared]) + stream)
                with open(os.path.join(out, f"{way}-{name}.data"), "wb") as f:
                    f.write(bytes([0x80 | selector, 61]) + data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
