#!/usr/bin/env python3
"""Writes small valid pictures of one format as seeds for its fuzz target.

    picture_seeds.py FORMAT OUTDIR      FORMAT: bmp ico pcx tga pnm sgi png tiff gif jpeg
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

W, H = 13, 7


def rgb(x, y):
    return ((x * 37 + y * 5) & 255, (y * 41 + 7) & 255, ((x * 13) ^ (y * 29)) & 255)


def index(x, y, n):
    return (x // 3 + y * 2) % n


def palette(n):
    return [((i * 53 + 11) & 255, (255 - i * 17) & 255, (i * 97) & 255) for i in range(n)]


def bmp_rows(bits, w=W, h=H, top_down=False):
    rows = []
    for y in (range(h) if top_down else range(h - 1, -1, -1)):
        row = bytearray()
        if bits <= 8:
            acc, filled = 0, 0
            for x in range(w):
                acc = (acc << bits) | index(x, y, 1 << bits)
                filled += bits
                if filled == 8:
                    row.append(acc)
                    acc, filled = 0, 0
            if filled:
                row.append((acc << (8 - filled)) & 255)
        else:
            for x in range(w):
                r, g, b = rgb(x, y)
                if bits == 24:
                    row += bytes((b, g, r))
                elif bits == 32:
                    row += bytes((b, g, r, (x * 20) & 255))
                else:
                    row += struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    return b"".join(rows)


def dib(bits, header=40, compression=0, top_down=False, w=W, h=H):
    pal = b""
    if bits <= 8:
        entries = palette(1 << bits)
        pal = b"".join(bytes((b, g, r)) + (b"" if header == 12 else b"\0") for r, g, b in entries)
    if header == 12:
        head = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        head = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits, compression, 0, 2835, 2835, 0, 0)
        head += b"\0" * (header - 40)
    masks = b""
    if compression == 3 and header >= 52:
        inner = struct.pack("<III", 0xF800, 0x07E0, 0x001F) if bits == 16 else struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
        head = head[:40] + inner + head[52:]
    elif compression == 3:
        masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F) if bits == 16 else struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
    if compression in (1, 2):
        data = bytearray()
        for y in range(h):
            for x in range(0, w, 3):
                data += bytes((3, index(x, y, 16) * (17 if bits == 4 else 1)))
            data += b"\0\0"
        data += b"\0\2\1\1\2\5\0\1"  # a delta, a run, end of bitmap
        bits_data = bytes(data)
    else:
        bits_data = bmp_rows(bits, w, h, top_down)
    return head + masks + pal, bits_data


def bmp_file(bits, **kw):
    head, data = dib(bits, **kw)
    return b"BM" + struct.pack("<IHHI", 14 + len(head) + len(data), 0, 0, 14 + len(head)) + head + data


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(color_type=6, depth=8, interlace=0, trns=None, w=W, h=H):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color_type]
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        if depth < 8:
            acc, filled = 0, 0
            for x in range(w):
                acc = (acc << depth) | (index(x, y, 1 << depth))
                filled += depth
                if filled == 8:
                    raw.append(acc)
                    acc, filled = 0, 0
            if filled:
                raw.append((acc << (8 - filled)) & 255)
            continue
        for x in range(w):
            r, g, b = rgb(x, y)
            vals = {0: [r], 2: [r, g, b], 3: [index(x, y, 16)], 4: [r, x * 20 & 255], 6: [r, g, b, x * 20 & 255]}[color_type]
            for v in vals:
                raw += bytes((v, v)) if depth == 16 else bytes((v,))
    if interlace:
        # Adam7 needs the passes; only the header differs for seeds of the
        # shape libpng expects, so write a plain image and let the fuzzer vary it.
        interlace = 0
    out = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, color_type, 0, 0, interlace))
    if color_type == 3:
        out += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette(16)))
    if trns is not None:
        out += png_chunk(b"tRNS", trns)
    out += png_chunk(b"IDAT", zlib.compress(bytes(raw)))
    return out + png_chunk(b"IEND", b"")


def ico():
    img = bytearray()
    head, data = dib(32, w=8, h=8)
    head = bytearray(head)
    struct.pack_into("<i", head, 8, 16)  # colour and mask
    mask = b"\xAA\0\0\0" * 8
    entries = [bytes(head) + data + mask, png(w=16, h=16)]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, e in zip((8, 16), entries):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(e), offset)
        offset += len(e)
    return out + b"".join(entries)


def pcx(bits, planes, rle=True):
    bpl = ((W * bits + 7) // 8 + 1) & ~1
    head = bytearray(128)
    head[0:4] = bytes((10, 5, 1 if rle else 0, bits))
    struct.pack_into("<HHHH", head, 4, 0, 0, W - 1, H - 1)
    for i, c in enumerate(palette(16)):
        head[16 + 3 * i:19 + 3 * i] = bytes(c)
    head[65] = planes
    struct.pack_into("<H", head, 66, bpl)
    body = bytearray()
    for y in range(H):
        line = bytearray(bpl * planes)
        for x in range(W):
            if bits == 8 and planes >= 3:
                for p, v in enumerate(rgb(x, y)):
                    line[p * bpl + x] = v
            elif bits == 8:
                line[x] = index(x, y, 256)
            else:
                v = index(x, y, 1 << (bits * planes))
                for p in range(planes):
                    if (v >> p) & 1:
                        line[p * bpl + x // 8] |= 0x80 >> (x % 8)
        for b in line:
            body += bytes((0xC1, b)) if rle and b >= 0xC0 else bytes((b,))
    tail = b"\x0c" + b"".join(bytes(c) for c in palette(256)) if bits == 8 and planes == 1 else b""
    return bytes(head) + bytes(body) + tail


def tga(kind, depth, descriptor=0):
    head = struct.pack("<BBBHHBHHHHBB", 0, 1 if kind in (1, 9) else 0, kind, 0, 16 if kind in (1, 9) else 0,
                       24 if kind in (1, 9) else 0, 0, 0, W, H, depth, descriptor)
    cmap = b"".join(bytes((b, g, r)) for r, g, b in palette(16)) if kind in (1, 9) else b""
    px = bytearray()
    for y in range(H):
        for x in range(W):
            r, g, b = rgb(x, y)
            if kind in (1, 9):
                px.append(index(x, y, 16))
            elif kind in (3, 11):
                px.append(r)
            elif depth == 16:
                px += struct.pack("<H", 0x8000 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
            else:
                px += bytes((b, g, r)) + (bytes((x * 20 & 255,)) if depth == 32 else b"")
    if kind >= 9:
        bpp = (depth + 7) // 8
        out = bytearray()
        for i in range(0, len(px), bpp * 4):
            out += bytes((0x80 | 1,)) + px[i:i + bpp]  # a run of two
            out += bytes((1,)) + px[i + 2 * bpp:i + 4 * bpp]
        px = out
    return head + cmap + bytes(px)


def pnm(kind, maxval=255):
    head = f"P{kind}\n# seed\n{W} {H}\n" + ("" if kind in (1, 4) else f"{maxval}\n")
    body = bytearray()
    for y in range(H):
        acc, filled = 0, 0
        for x in range(W):
            r, g, b = rgb(x, y)
            vals = [r & 1] if kind in (1, 4) else [r] if kind in (2, 5) else [r, g, b]
            for v in vals:
                if kind in (1, 4):
                    if kind == 1:
                        body += b"%d" % v
                    else:
                        acc = acc << 1 | v
                        filled += 1
                        if filled == 8:
                            body.append(acc)
                            acc, filled = 0, 0
                elif kind <= 3:
                    body += b"%d " % (v * maxval // 255)
                else:
                    v = v * maxval // 255
                    body += struct.pack(">H", v) if maxval > 255 else bytes((v,))
        if kind == 4 and filled:
            body.append(acc << (8 - filled) & 255)
        if kind <= 3:
            body += b"\n"
    return head.encode() + bytes(body)


def sgi(rle, channels):
    head = bytearray(512)
    struct.pack_into(">HBBHHHH", head, 0, 474, 1 if rle else 0, 1, 3, W, H, channels)
    rows = []
    for c in range(channels):
        for y in range(H):
            vals = [rgb(x, y)[c % 3] for x in range(W)]
            if rle:
                rows.append(bytes((0x80 | len(vals),)) + bytes(vals) + b"\0")
            else:
                rows.append(bytes(vals))
    if not rle:
        return bytes(head) + b"".join(rows)
    offset = 512 + 8 * len(rows)
    starts, lengths = b"", b""
    for r in rows:
        starts += struct.pack(">I", offset)
        lengths += struct.pack(">I", len(r))
        offset += len(r)
    return bytes(head) + starts + lengths + b"".join(rows)


def tiff(compression_none=True, alpha=False):
    spp = 4 if alpha else 3
    data = bytearray()
    for y in range(H):
        for x in range(W):
            data += bytes(rgb(x, y)) + (bytes((x * 20 & 255,)) if alpha else b"")
    entries = [(256, 3, 1, W), (257, 3, 1, H), (258, 3, spp, None), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, 1, None), (277, 3, 1, spp), (278, 3, 1, H), (279, 4, 1, len(data))]
    if alpha:
        entries.append((338, 3, 1, 2))
    ifd_offset = 8
    ifd_size = 2 + 12 * len(entries) + 4
    bps_offset = ifd_offset + ifd_size
    data_offset = bps_offset + 2 * spp
    out = b"II*\0" + struct.pack("<I", ifd_offset) + struct.pack("<H", len(entries))
    for tag, typ, count, value in entries:
        if tag == 258:
            value = bps_offset if spp > 2 else 8
            typ = 3
            out += struct.pack("<HHII", tag, typ, count, value)
            continue
        if tag == 273:
            value = data_offset
        if typ == 3 and count == 1:
            out += struct.pack("<HHIHH", tag, typ, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, typ, count, value)
    out += b"\0\0\0\0" + struct.pack("<" + "H" * spp, *([8] * spp))
    return out + bytes(data)


def gif(interlace=False, transparent=None, frames=1):
    pal = palette(16)
    out = b"GIF89a" + struct.pack("<HHBBB", W, H, 0xF3, 2, 0) + b"".join(bytes(c) for c in pal)
    for f in range(frames):
        if transparent is not None or frames > 1:
            out += b"\x21\xF9\x04" + bytes((1 if transparent is not None else 0,)) + b"\x0a\0" + \
                   bytes((transparent or 0,)) + b"\0"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, W, H, 0x40 if interlace else 0)
        # LZW with 4-bit roots: code size 5, a clear code before every few pixels keeps it simple.
        codes, clear, end, size = [], 16, 17, 5
        pixels = [index(x, y, 16) for y in range(H) for x in range(W)]
        for i, p in enumerate(pixels):
            if i % 10 == 0:
                codes.append(clear)
            codes.append(p)
        codes.append(end)
        bits, nbits, data = 0, 0, bytearray()
        for c in codes:
            bits |= c << nbits
            nbits += size
            while nbits >= 8:
                data.append(bits & 255)
                bits >>= 8
                nbits -= 8
        if nbits:
            data.append(bits & 255)
        out += b"\x04"
        for i in range(0, len(data), 255):
            chunk = data[i:i + 255]
            out += bytes((len(chunk),)) + chunk
        out += b"\0"
    return out + b";"


def jpegs(outdir):
    cjpeg = shutil.which("cjpeg")
    if cjpeg is None:
        print("cjpeg not found (apt-get install libjpeg-turbo-progs); no JPEG seeds", file=sys.stderr)
        return {}
    result = {}
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.ppm")
        with open(src, "wb") as f:
            f.write(pnm(6).replace(f"{W} {H}".encode(), f"{W} {H}".encode()))
        grey = os.path.join(tmp, "in.pgm")
        with open(grey, "wb") as f:
            f.write(pnm(5))
        for name, args, source in [("baseline.jpg", [], src), ("progressive.jpg", ["-progressive"], src),
                                    ("grey.jpg", [], grey), ("q30.jpg", ["-quality", "30", "-sample", "2x2"], src),
                                    ("restart.jpg", ["-restart", "1"], src), ("optimize.jpg", ["-optimize"], src)]:
            result[name] = subprocess.run([cjpeg, *args, source], check=True, capture_output=True).stdout
    return result


def main():
    kind, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    seeds = {
        "bmp": lambda: {"24.bmp": bmp_file(24), "8.bmp": bmp_file(8), "4.bmp": bmp_file(4), "1.bmp": bmp_file(1),
                        "16.bmp": bmp_file(16), "565.bmp": bmp_file(16, compression=3), "32.bmp": bmp_file(32, header=124, compression=3),
                        "core.bmp": bmp_file(8, header=12), "top.bmp": bmp_file(24, top_down=True),
                        "rle8.bmp": bmp_file(8, compression=1), "rle4.bmp": bmp_file(4, compression=2)},
        "ico": lambda: {"a.ico": ico()},
        "pcx": lambda: {"8.pcx": pcx(8, 1), "24.pcx": pcx(8, 3), "ega.pcx": pcx(1, 4), "mono.pcx": pcx(1, 1),
                        "2bit.pcx": pcx(2, 1), "plain.pcx": pcx(4, 1, rle=False)},
        "tga": lambda: {"2.tga": tga(2, 24), "32.tga": tga(2, 32, 0x28), "16.tga": tga(2, 16, 0x01), "1.tga": tga(1, 8),
                        "3.tga": tga(3, 8, 0x30), "9.tga": tga(9, 8), "10.tga": tga(10, 24), "11.tga": tga(11, 8)},
        "pnm": lambda: {f"p{k}.pnm": pnm(k) for k in range(1, 7)} | {"p6-16.pnm": pnm(6, 65535), "p2-1000.pnm": pnm(2, 1000)},
        "sgi": lambda: {"v3.sgi": sgi(False, 3), "r4.sgi": sgi(True, 4), "r1.sgi": sgi(True, 1)},
        "png": lambda: {"rgba.png": png(), "rgb16.png": png(2, 16), "grey2.png": png(0, 2), "pal.png": png(3, 8, trns=b"\0\x80"),
                        "ga.png": png(4), "trns.png": png(2, 8, trns=b"\0\1\0\2\0\3")},
        "tiff": lambda: {"rgb.tif": tiff(), "rgba.tif": tiff(alpha=True)},
        "gif": lambda: {"a.gif": gif(), "inter.gif": gif(interlace=True), "trans.gif": gif(transparent=3), "anim.gif": gif(frames=2)},
        "jpeg": lambda: jpegs(outdir),
    }
    for name, data in seeds[kind]().items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
