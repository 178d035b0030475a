#!/usr/bin/env python3
"""Times the ZIP reader (bench_zip_extract) against Debian's "unzip -o -qq"
on the same archives, in the same run, and checks that both extracted the
same files. Prints, per archive, the median times and the ratio ours/unzip.

    extract_vs_unzip.py BENCH_ZIP_EXTRACT REPETITIONS ARCHIVE...

The first round warms the caches and is not counted.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def main():
    ours, reps, archives = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    with tempfile.TemporaryDirectory(prefix="kestro-bench-") as work:
        for archive in archives:
            commands = {
                "ours": lambda out: [ours, archive, out],
                "unzip": lambda out: ["unzip", "-o", "-qq", archive, "-d", out],
            }
            times = {name: [] for name in commands}
            for r in range(reps + 1):
                for name, make in commands.items():
                    out = os.path.join(work, "out_" + name)
                    shutil.rmtree(out, ignore_errors=True)
                    os.makedirs(out)
                    start = time.perf_counter()
                    subprocess.run(make(out), check=True, stdout=subprocess.DEVNULL)
                    if r > 0:
                        times[name].append(time.perf_counter() - start)
            a, b = (os.path.join(work, "out_" + n) for n in commands)
            names = sorted(os.listdir(a))
            assert names == sorted(os.listdir(b)), f"{archive}: different file lists"
            for n in names:
                with open(os.path.join(a, n), "rb") as fa, open(os.path.join(b, n), "rb") as fb:
                    assert fa.read() == fb.read(), f"{archive}: {n} differs"
            med = {n: statistics.median(t) for n, t in times.items()}
            print(f"{os.path.basename(archive)}: {len(names)} files, identical output, {reps} repetitions; "
                  f"median ours {med['ours'] * 1000:.1f} ms, unzip {med['unzip'] * 1000:.1f} ms; "
                  f"ratio ours/unzip {med['ours'] / med['unzip']:.2f}")


if __name__ == "__main__":
    main()
