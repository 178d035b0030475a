#!/usr/bin/env python3
"""Archives written by other tools, read back by our ZIP reader.

Every writer below (Python's zipfile, to a file and to a stream that cannot
seek; Info-ZIP zip, from files, from a pipe and with forced data
descriptors; bsdtar; 7z) packs the same contents of every compressibility.
`kestro-build unzip` extracts each archive through the runtime's reader, and
every extracted file must equal, byte for byte, what Python's zipfile reads
from the same archive.

Usage: zip_differential.py KESTRO_BUILD
Environment: ZIP_DIFF_ROUNDS (default 1) adds rounds of random contents.
"""
import io
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile

BUILDER = sys.argv[1]
ROUNDS = int(os.environ.get("ZIP_DIFF_ROUNDS", "1"))


def contents(rng):
    """Name -> bytes, from nothing to a thousand-fold compressible megabyte."""
    words = [b"slide ", b"picture ", b"effect ", b"caption\r\n", b"the ", b"music "]
    text = b"".join(rng.choice(words) for _ in range(rng.randrange(2000, 40000)))
    runs = b"".join(bytes([rng.randrange(256)]) * rng.randrange(1, 5000) for _ in range(300))
    # About 600 times smaller deflated: zlib hands out many full windows after
    # it has taken the last input byte.
    six_hundred = (b"A" * 599 + b"\n") * 6000
    return {
        "empty.bin": b"",
        "one.bin": bytes([rng.randrange(256)]),
        # With zlib's deflate at level 6, this many zeros end their one input
        # chunk with more than a 32 KiB window still inside the inflater.
        "zeros.bin": bytes(1114160),
        "noise.bin": rng.randbytes(rng.randrange(1, 300000)),
        "text.txt": text,
        "runs.bin": runs,
        "ratio600.txt": six_hundred,
        "odd.bin": rng.randbytes(32768) + bytes(32769) + rng.randbytes(7),
    }


def write_files(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


class Unseekable(io.RawIOBase):
    """A stream zipfile cannot seek back in: it writes data descriptors."""

    def __init__(self, sink):
        self.sink = sink

    def writable(self):
        return True

    def write(self, b):
        self.sink.write(b)
        return len(b)


def python_zip(files, out, method, level, stream):
    if stream:
        with open(out, "wb") as f:
            with zipfile.ZipFile(Unseekable(f), "w", method, compresslevel=level) as z:
                for name, data in files.items():
                    z.writestr(name, data)
    else:
        with zipfile.ZipFile(out, "w", method, compresslevel=level) as z:
            for name, data in files.items():
                z.writestr(name, data)


def run(cmd, cwd, stdin=None, stdout=None):
    subprocess.run(cmd, cwd=cwd, check=True, stdin=stdin, stdout=stdout or subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def writers(files, src, work):
    """Yields (label, archive path) for every writer and mode."""
    names = sorted(files)
    for level in (0, 1, 6, 9):
        for stream in (False, True):
            method = zipfile.ZIP_STORED if level == 0 else zipfile.ZIP_DEFLATED
            out = os.path.join(work, f"py-{level}-{'stream' if stream else 'file'}.zip")
            python_zip(files, out, method, None if level == 0 else level, stream)
            yield f"python zipfile level {level}{' to a stream' if stream else ''}", out
    for flags in (["-0"], ["-1"], ["-9"], ["-fd", "-6"]):
        out = os.path.join(work, f"zip{''.join(flags)}.zip")
        run(["zip", "-q", "-X", *flags, out, *names], src)
        yield f"zip {' '.join(flags)}", out
    for name in names:
        # zip - reads one file from its standard input and writes the
        # archive to standard output: sizes follow the data.
        out = os.path.join(work, f"pipe-{name}.zip")
        with open(os.path.join(src, name), "rb") as fin, open(out, "wb") as fout:
            run(["zip", "-q", "-", "-"], src, stdin=fin, stdout=fout)
        yield f"zip - from a pipe ({name})", out
    for option in ("zip:compression=store", "zip:compression=deflate"):
        out = os.path.join(work, f"bsdtar-{option.split('=')[1]}.zip")
        run(["bsdtar", "--format", "zip", "--options", option, "-cf", out, *names], src)
        yield f"bsdtar {option}", out
    for level in ("0", "5", "9"):
        out = os.path.join(work, f"7z-{level}.zip")
        run(["7z", "a", "-tzip", f"-mx={level}", "-mm=" + ("Copy" if level == "0" else "Deflate"), out, *names], src)
        yield f"7z -mx={level}", out


def check(label, archive, dest):
    shutil.rmtree(dest, ignore_errors=True)
    proc = subprocess.run([BUILDER, "unzip", archive, dest], capture_output=True, text=True)
    problems = []
    if proc.returncode != 0:
        problems.append(f"kestro-build unzip failed: {proc.stderr.strip()}")
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            if info.is_dir():
                continue
            name = info.filename.replace("\\", "/").rsplit("/", 1)[-1]
            # zip - names its one entry "-".
            path = os.path.join(dest, name)
            want = z.read(info)
            try:
                with open(path, "rb") as f:
                    got = f.read()
            except OSError:
                problems.append(f"{info.filename}: not extracted")
                continue
            if got != want:
                at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
                problems.append(f"{info.filename}: {len(got)} bytes, reference {len(want)}, first difference at {at}")
    return [f"{label}: {p}" for p in problems]


def main():
    failures = []
    archives = 0
    for round_ in range(ROUNDS):
        rng = random.Random(round_ * 7919 + 1)
        files = contents(rng)
        with tempfile.TemporaryDirectory(prefix="kestro-zipdiff-") as work:
            src = os.path.join(work, "src")
            write_files(src, files)
            for label, archive in writers(files, src, work):
                archives += 1
                failures += check(label, archive, os.path.join(work, "out"))
    for f in failures:
        print("FAIL", f)
    print(f"{archives} archives from 5 writers compared, {len(failures)} differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
