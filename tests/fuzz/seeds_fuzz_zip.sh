#!/usr/bin/env bash
# Writes a small seed corpus of ZIP archives for fuzz_zip into the folder
# given (default: build/fuzz/seeds/zip).
set -euo pipefail
out="${1:-build/fuzz/seeds/zip}"
mkdir -p "$out"
python3 - "$out" <<'PY'
import io, os, sys, zipfile

out = sys.argv[1]

def save(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

def archive(entries, comment=b"", method=zipfile.ZIP_DEFLATED, stream=False):
    buf = io.BytesIO()
    target = buf
    if stream:  # a non-seekable target makes zipfile write data descriptors
        class Unseekable(io.RawIOBase):
            def writable(self): return True
            def write(self, b): return buf.write(b)
        target = Unseekable()
    with zipfile.ZipFile(target, "w", method) as z:
        for name, data, *rest in entries:
            info = zipfile.ZipInfo(name, date_time=(2020, 5, 17, 10, 20, 30))
            info.compress_type = rest[0] if rest else method
            info.external_attr = rest[1] if len(rest) > 1 else 0x20
            z.writestr(info, data)
        z.comment = comment
    return buf.getvalue()

text = b"slide picture effect music caption " * 40
save("stored.zip", archive([("a.txt", b"hello"), ("b.bin", bytes(range(256)))], method=zipfile.ZIP_STORED))
save("deflated.zip", archive([("pics/", b""), ("pics/a.jpg", text), ("readme.txt", b"read me")]))
save("mixed.zip", archive([("s.txt", text, zipfile.ZIP_STORED), ("d.txt", text, zipfile.ZIP_DEFLATED, 0x21)]))
save("comment.zip", archive([("c.txt", b"comment follows")], comment=b"archive comment " * 4))
save("descriptor.zip", archive([("dd.txt", text), ("dd2.txt", b"x" * 300)], stream=True))
save("bzip2.zip", archive([("bz.txt", text, zipfile.ZIP_BZIP2), ("ok.txt", b"ok")]))
save("empty.zip", archive([]))
save("empty_file.zip", b"")
# A damaged central directory sends the reader to its recovery scan.
broken = bytearray(archive([("r1.txt", text), ("r2.txt", b"two")]))
cd = broken.find(b"PK\x01\x02")
broken[cd:cd + 4] = b"XXXX"
save("broken_central.zip", bytes(broken))
PY
# Archives in the old methods (shrunk, reduced, imploded), which zipfile cannot write.
python3 "$(dirname "$0")/legacy_seeds.py" zip "$out"
echo "seeds in $out"
