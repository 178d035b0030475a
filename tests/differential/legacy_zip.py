#!/usr/bin/env python3
"""The old ZIP methods: our reader against Debian's unzip on the same archives.

    legacy_zip.py KESTRO_LEGACY_ZIP KESTRO_BUILD

KESTRO_LEGACY_ZIP (the test-only encoders) packs contents of every
compressibility in each way the old methods store data: shrunk, reduced with
factors 1 to 4, imploded with the 4 and 8 KiB dictionaries, with and without
the literal tree. `kestro-build unzip` extracts every archive through the
runtime's reader; each file must come back byte for byte. Debian's unzip
decodes shrunk and imploded entries: it extracts the same archives and must
give the same bytes. Nothing in Debian decodes reduced entries: there the
CRC-32 stored in the archive, which our reader checks, and the original bytes
are the judges.

KESTRO_DIFF_CASES=N adds N-1 rounds of other random contents.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

MAKER, BUILDER = sys.argv[1], sys.argv[2]
ROUNDS = int(os.environ.get("KESTRO_DIFF_CASES", "1"))
UNZIP_READS = ("shrink", "implode")  # prefixes of the ways Debian's unzip decodes


def contents(rng):
    """Name -> bytes: nothing, noise, text, runs, zeros, the DLE byte."""
    words = [b"slide ", b"picture ", b"effect ", b"caption\r\n", b"the ", b"music "]
    text = b"".join(rng.choice(words) for _ in range(rng.randrange(2000, 60000)))
    runs = b"".join(bytes([rng.randrange(256)]) * rng.randrange(1, 3000) for _ in range(rng.randrange(50, 300)))
    skewed = bytes(min(255, int(rng.expovariate(0.05))) for _ in range(rng.randrange(1000, 200000)))
    dle = b"".join(rng.choice([b"\x90", b"\x90\x90\x00", bytes([rng.randrange(256)])]) for _ in range(30000))
    return {
        "empty.bin": b"",
        "one.bin": bytes([rng.randrange(256)]),
        "noise.bin": rng.randbytes(rng.randrange(1, 300000)),
        "text.txt": text,
        "runs.bin": runs,
        "skewed.bin": skewed,  # long literal codes in the imploded trees
        "zeros.bin": bytes(rng.randrange(1, 1 << 21)),
        "dle.bin": dle,
        "ramp.bin": bytes((i * 7 + (i >> 9)) & 0xFF for i in range(rng.randrange(1, 100000))),
        "mixed.bin": text[:40000] + rng.randbytes(40000) + bytes(40000) + text[-40000:],
    }


def ways():
    out = subprocess.run([MAKER, "ways"], check=True, capture_output=True, text=True).stdout
    return [line.split()[0] for line in out.splitlines()]


def compare(label, files, folder):
    problems = []
    for name, want in files.items():
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            problems.append(f"{label}: {name} not extracted")
            continue
        with open(path, "rb") as f:
            got = f.read()
        if got != want:
            at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
            problems.append(f"{label}: {name}: {len(got)} bytes, original {len(want)}, first difference at {at}")
    return problems


def main():
    failures = []
    archives = 0
    by_unzip = 0
    all_ways = ways()
    for round_ in range(ROUNDS):
        rng = random.Random(round_ * 104729 + 13)
        files = contents(rng)
        with tempfile.TemporaryDirectory(prefix="kestro-legacy-") as work:
            src = os.path.join(work, "src")
            os.makedirs(src)
            for name, data in files.items():
                with open(os.path.join(src, name), "wb") as f:
                    f.write(data)
            names = [os.path.join(src, n) for n in sorted(files)]
            for way in all_ways:
                archive = os.path.join(work, f"{way}.zip")
                subprocess.run([MAKER, "zip", archive, way, *names], check=True)
                archives += 1
                ours = os.path.join(work, "ours")
                shutil.rmtree(ours, ignore_errors=True)
                proc = subprocess.run([BUILDER, "unzip", archive, ours], capture_output=True, text=True)
                if proc.returncode != 0:
                    failures.append(f"{way}: kestro-build unzip failed: {proc.stderr.strip()}")
                failures += compare(f"{way}, our reader", files, ours)
                if way.startswith(UNZIP_READS):
                    theirs = os.path.join(work, "theirs")
                    shutil.rmtree(theirs, ignore_errors=True)
                    proc = subprocess.run(["unzip", "-o", "-qq", archive, "-d", theirs], capture_output=True, text=True)
                    if proc.returncode != 0:
                        failures.append(f"{way}: unzip failed ({proc.returncode}): {proc.stdout}{proc.stderr}".strip())
                    failures += compare(f"{way}, Debian's unzip", files, theirs)
                    by_unzip += 1
    for f in failures:
        print("FAIL", f)
    print(f"{archives} archives of {len(files)} files in {len(all_ways)} ways, {by_unzip} also read by unzip; "
          f"{len(failures)} differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
