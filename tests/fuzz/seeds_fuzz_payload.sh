#!/usr/bin/env bash
# Writes a few small screensaver files (runtime bytes, items, marker, name,
# settings archive) as seeds for fuzz_payload into the folder given.
set -euo pipefail
out="${1:?corpus folder}"
mkdir -p "$out"
python3 - "$out" <<'PY'
import io, os, sys, zipfile

out = sys.argv[1]

def zipped(name, data):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0)), data)
    return buf.getvalue()

def saver(items, extra=""):
    body = bytearray(b"MZ" + bytes(200))
    zippos, notzip = [], []
    for key, data, as_is in items:
        start = len(body)
        body += data if as_is else zipped(key.replace("**", "="), data)
        zippos += [f"{key}_1={start}", f"{key}_2={len(body)}"]
        if as_is:
            notzip.append(f"{key}=1")
    settings = "[Set]\r\nImageInterval=3\r\n[Pictures]\r\n" + "".join(
        f"{k}=1\r\n" for k, _, _ in items) + extra + "[zippos]\r\n" + "\r\n".join(zippos) + \
        "\r\n[notzip]\r\n" + "\r\n".join(notzip) + "\r\n"
    return bytes(body) + b"#kest" + b"ro#" + b"Show.002**" + zipped("Show.002", settings.encode())

seeds = {
    "plain": saver([("a.jpg", b"\xff\xd8picture", False), ("b.png", b"\x89PNG raw", True)]),
    "equals": saver([("a**b.jpg", b"eq", False)]),
    "decoder": saver([("MPEGDLL.DLL", b"MZ library", False)]),
    "empty": saver([]),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
PY
