#!/usr/bin/env python3
"""Our picture decoders against other decoders, pixel by pixel.

    pictures.py KESTRO_PICTURE_DUMP

Pictures are written by other tools (ImageMagick, Pillow, netpbm,
libjpeg-turbo's cjpeg, libtiff's tools, giflib's giftool, ffmpeg), with the
options that reach each decoder's branches, from a photograph shipped by
Debian (matplotlib's sample picture of Grace Hopper, public domain),
ImageMagick's built-in photograph "rose:", real PNG icons and generated
content. Each file is loaded by the runtime's own loader (through
KESTRO_PICTURE_DUMP, flattening onto FLATTEN) and decoded by a reference:
djpeg, netpbm's converters (pngtopam, tifftopnm -byrow, pcxtoppm, tgatoppm,
sgitopnm, pamdepth), Pillow or ImageMagick. Every pixel must match what the
runtime is to show:
  - JPEG: djpeg with the options the runtime fixes (full size, accurate
    integer transform, smooth chroma upsampling; 256 colours, two-pass
    quantisation with Floyd-Steinberg dithering on a palette display). CMYK
    is converted as djpeg does for files with Adobe's (inverted) CMYK.
  - GIF: the first image on its logical screen; its transparent pixels and
    the screen outside it show the screen's background colour.
  - .jpg, .jpeg, .gif and .bmp files are shown as decoded; every other file
    is drawn onto a bitmap filled with FLATTEN: colour under alpha a becomes
    round((colour * a + FLATTEN * (255 - a)) / 255).
  - Samples deeper than 8 bits, and 4-, 5- and 6-bit channels, are scaled to
    8 bits by rounding to nearest: references that keep the depth are read
    at full depth and rounded here; those that widen by their own rule
    (Pillow, ImageMagick) are mapped back (requantized).
The list of formats comes from the runtime's registry (--formats): every
decoder kind this build reads must have cases, and every registered
extension is loaded at least once.

Where the runtime differs from a reference by design, the test expects the
runtime's way and the case says so:
  - Windows bitmaps are shown without their alpha.
  - A GIF frame reaching out of its logical screen is cut (Pillow grows the
    screen).
  - PCX with one plane of one bit is black and white (as Pillow reads it);
    pcxtoppm uses the header's palette instead.
  - A 32-bit Targa picture whose descriptor declares no alpha bits is
    opaque; Pillow, ImageMagick and tgatoppm use the fourth byte as alpha.
Tolerances, all of one step and all libtiff's (the TIFF decoder is its
RGBA interface): colour under partial alpha comes premultiplied and rounded
to 8 bits; CMYK is converted by truncating division; 16-bit grey is cut to
its high byte.

KESTRO_DIFF_KEEP=FOLDER keeps the pictures there.
KESTRO_DIFF_CASES=N adds N-1 rounds of the same cases on other generated
content and other picture sizes (by seed), down to 2 x 2.
"""
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    sys.exit("pictures.py: Pillow is missing (scripts/setup.sh check installs python3-pil)")

FLATTEN = (0x3C, 0x78, 0xB4)
PHOTO = "/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg"
PNG_SAMPLES = ["/usr/share/matplotlib/mpl-data/sample_data/logo2.png",
               "/usr/share/matplotlib/mpl-data/sample_data/Minduka_Present_Blue_Pack.png",
               "/usr/share/matplotlib/mpl-data/images/home_large.png",
               "/usr/share/matplotlib/mpl-data/images/zoom_to_rect.png"]
TOOLS = ["convert", "cjpeg", "djpeg", "pngtopam", "pnmtopng", "tifftopnm", "pnmtotiff", "tiffcp", "pcxtoppm",
         "ppmtopcx", "ppmtobmp", "tgatoppm", "pamtotga", "sgitopnm", "pnmtosgi", "pamtogif", "giftool",
         "ppmtowinicon", "pamtowinicon", "pamdepth", "ffmpeg"]
NOT_FLATTENED = {".jpg", ".jpeg", ".gif", ".bmp"}


class Pic:
    """An 8-bit RGBA picture."""

    def __init__(self, width, height, rgba):
        self.width, self.height, self.rgba = width, height, bytes(rgba)

    @staticmethod
    def from_pillow(im):
        im = im.convert("RGBA")
        return Pic(im.width, im.height, im.tobytes())

    def rgb(self):
        out = bytearray(self.width * self.height * 3)
        out[0::3], out[1::3], out[2::3] = self.rgba[0::4], self.rgba[1::4], self.rgba[2::4]
        return bytes(out)

    def flattened(self, colour):
        alpha = self.rgba[3::4]
        if alpha.count(255) == len(alpha):
            return self.rgb()
        out = bytearray(self.width * self.height * 3)
        rgba = self.rgba
        for i in range(self.width * self.height):
            a = rgba[4 * i + 3]
            for c in range(3):
                # Rounded to nearest; the quotient is never a half.
                out[3 * i + c] = (rgba[4 * i + c] * a + colour[c] * (255 - a) + 127) // 255
        return bytes(out)


def scale(v, maxval):
    return (v * 255 + maxval // 2) // maxval


def parse_netpbm(data):
    """A raw PBM, PGM, PPM or PAM image, samples rounded to 8 bits."""
    magic = data[:2]
    pos = 2
    fields = {}
    if magic == b"P7":
        end = data.index(b"ENDHDR\n")
        for line in data[3:end].decode().splitlines():
            parts = line.split()
            if parts and not parts[0].startswith("#"):
                fields[parts[0]] = parts[1] if len(parts) > 1 else ""
        pos = end + 7
        width, height, depth, maxval = (int(fields[k]) for k in ("WIDTH", "HEIGHT", "DEPTH", "MAXVAL"))
    else:
        numbers = []
        wanted = 2 if magic == b"P4" else 3
        while len(numbers) < wanted:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            start = pos
            while data[pos:pos + 1].isdigit():
                pos += 1
            numbers.append(int(data[start:pos]))
        pos += 1
        width, height = numbers[0], numbers[1]
        maxval = 1 if magic == b"P4" else numbers[2]
        depth = {b"P4": 1, b"P5": 1, b"P6": 3}[magic]
    rgba = bytearray(width * height * 4)
    if magic == b"P4":
        stride = (width + 7) // 8
        for y in range(height):
            for x in range(width):
                v = 0 if data[pos + y * stride + x // 8] >> (7 - x % 8) & 1 else 255
                rgba[4 * (y * width + x):4 * (y * width + x) + 4] = bytes((v, v, v, 255))
        return Pic(width, height, rgba)
    size = 2 if maxval > 255 else 1
    count = width * height * depth
    raw = data[pos:pos + count * size]
    if size == 1:
        lut = bytes(scale(v, maxval) if v <= maxval else 255 for v in range(256))
        samples = raw.translate(lut)
    else:
        samples = bytes(scale(v, maxval) for v in struct.unpack(">%dH" % count, raw))
    channels = [samples[c::depth] for c in range(depth)]
    if depth <= 2:
        channels = [channels[0]] * 3 + channels[1:]
    if len(channels) == 3:
        channels.append(b"\xff" * (width * height))
    rgba = bytearray(width * height * 4)
    for c in range(4):
        rgba[c::4] = channels[c]
    return Pic(width, height, rgba)


class Workshop:
    """Writes the pictures and decodes them with the references, in one
    temporary folder; each case is made as soon as it is added."""

    def __init__(self, folder):
        self.folder = folder
        self.cases = []
        self.faults = []
        self.count = 0

    def path(self, name):
        return os.path.join(self.folder, name)

    def sh(self, command):
        result = subprocess.run(command, shell=True, cwd=self.folder, capture_output=True)
        if result.returncode != 0:
            raise RuntimeError("%s: %s" % (command, result.stderr.decode(errors="replace").strip()[-300:]))
        return result.stdout

    def add(self, kind, title, ext, make, reference, tolerance=0, why=None, display_bits=None):
        """One case: `make(out)` writes the picture to the file name `out`;
        `reference(out)` decodes it to the Pic the runtime must show."""
        self.count += 1
        name = "p%03d%s" % (self.count, ext)
        case = dict(kind=kind, title=title, file=name, reference=reference, tolerance=tolerance, why=why,
                    display_bits=display_bits)
        try:
            make(name)
            case["ref"] = reference(name)
        except Exception as e:  # an encoder or a reference that fails
            self.faults.append("%s (%s): %s" % (title, kind, e))
            return
        expected = case["ref"]
        case["expected"] = expected.rgb() if ext.lower() in NOT_FLATTENED else expected.flattened(FLATTEN)
        self.cases.append(case)

    def shell(self, kind, title, ext, command, reference, **options):
        self.add(kind, title, ext, lambda out: self.sh(command.format(out=out)), reference, **options)

    def pillow_save(self, kind, title, ext, source, reference, **save):
        options = {k: save.pop(k) for k in ("tolerance", "why", "display_bits") if k in save}
        self.add(kind, title, ext, lambda out: source().save(self.path(out), **save), reference, **options)


# References -------------------------------------------------------------

def pillow_ref(ws):
    return lambda path: Pic.from_pillow(Image.open(ws.path(path)))


def netpbm_ref(ws, command):
    """A converter writing a netpbm picture to standard output; `command`
    names the file {input}."""
    return lambda path: parse_netpbm(ws.sh(command.format(input=path)))


def djpeg_ref(ws, options=""):
    # Full size and smooth chroma upsampling are djpeg's defaults.
    return netpbm_ref(ws, "djpeg -dct int -pnm " + options + " {input}")


def gif_ref(ws):
    """Pillow's first frame on the logical screen, with its transparent
    pixels and the screen outside it in the background colour of the global
    colour table. (Pillow grows the screen to hold a frame that reaches out
    of it; the runtime keeps the screen and cuts the frame.)"""
    def read(path):
        with open(ws.path(path), "rb") as f:
            data = f.read()
        screen_w, screen_h, flags, bg_index = struct.unpack("<HHBB", data[6:12])
        background = (0, 0, 0)
        if flags & 0x80 and bg_index < 2 << (flags & 7):
            background = tuple(data[13 + 3 * bg_index:16 + 3 * bg_index])
        im = Image.open(io.BytesIO(data))
        box = im.tile[0][1]
        pic = Pic.from_pillow(im)
        rgba = bytearray()
        for y in range(screen_h):
            for x in range(screen_w):
                i = 4 * (y * pic.width + x)
                inside = box[0] <= x < box[2] and box[1] <= y < box[3]
                rgba += bytes(background + (255,)) if not inside or pic.rgba[i + 3] == 0 else pic.rgba[i:i + 4]
        return Pic(screen_w, screen_h, rgba)
    return read


# Sources ----------------------------------------------------------------

class Sources:
    """The pictures the encoders start from, written once."""

    def __init__(self, ws, rng, width, height):
        self.width, self.height = width, height  # of the generated content; the photograph's crop is twice as large
        ws.sh("djpeg -pnm %s > photo.ppm" % PHOTO)
        photo = Image.open(ws.path("photo.ppm"))
        crop = photo.crop((150, 60, 150 + width * 2, 60 + height * 2))
        self.small = lambda: crop
        crop.save(ws.path("small.ppm"))
        crop.convert("L").save(ws.path("small.pgm"))
        ws.sh("convert rose: rose.ppm")
        self.rose = lambda: Image.open(ws.path("rose.ppm"))

        # Generated content: gradients, edges and noise, odd sizes.
        w, h = width, height
        pixels = []
        for y in range(h):
            for x in range(w):
                pixels.append(((x * 255 // (w - 1)) ^ (y * 8 & 0x40), (y * 255 // (h - 1)),
                               rng.randrange(256) if (x + y) % 5 == 0 else (x * y) & 255))
        synth = Image.new("RGB", (w, h))
        synth.putdata(pixels)
        self.synth = lambda: synth
        synth.save(ws.path("synth.ppm"))
        alpha = Image.new("L", (w, h))
        alpha.putdata([0 if x < 3 else 255 if x > w - 4 else (x * 37 + y * 11) & 255 for y in range(h) for x in range(w)])
        rgba = synth.copy()
        rgba.putalpha(alpha)
        self.rgba = lambda: rgba
        rgba.save(ws.path("rgba.png"))
        alpha.save(ws.path("alpha.pgm"))
        self.gray = lambda: synth.convert("L")
        self.bilevel = lambda: synth.convert("L").point(lambda v: 255 if v > 110 else 0).convert("1")
        self.palette = lambda: synth.quantize(colors=200)
        self.palette16 = lambda: crop.quantize(colors=16)
        self.palette4 = lambda: synth.quantize(colors=4)
        self.palette16().convert("RGB").save(ws.path("pal16.ppm"))
        self.palette4().convert("RGB").save(ws.path("pal4.ppm"))
        self.palette().convert("RGB").save(ws.path("pal.ppm"))
        self.bilevel().save(ws.path("bilevel.pbm"))
        # 16 bits per sample, values that are no multiple of 257.
        with open(ws.path("deep.ppm"), "wb") as f:
            f.write(b"P6\n%d %d\n65535\n" % (w, h))
            f.write(b"".join(struct.pack(">3H", (x * 1031 + y * 7 + rng.randrange(300)) % 65536,
                                         (y * 1733 + x * 19) % 65536, rng.randrange(65536))
                             for y in range(h) for x in range(w)))
        ws.sh("pamchannel -infile=deep.ppm -tupletype=GRAYSCALE 0 | pamtopnm > deep.pgm")
        # 12 colours of 16 bits each.
        colours = [struct.pack(">3H", *(rng.randrange(65536) for _ in range(3))) for _ in range(12)]
        with open(ws.path("deeppal.ppm"), "wb") as f:
            f.write(b"P6\n%d %d\n65535\n" % (w, h))
            f.write(b"".join(colours[(x // 4 + y) % 12] for y in range(h) for x in range(w)))
        for name in PNG_SAMPLES:
            shutil.copy(name, ws.path(os.path.basename(name)))


# Cases ------------------------------------------------------------------

def jpeg_cases(ws, src):
    ref = djpeg_ref(ws)
    k = "JPEG"
    ws.add(k, "Debian's photograph as shipped (baseline 4:2:0)", ".jpg", lambda out: shutil.copy(PHOTO, ws.path(out)), ref)
    ws.shell(k, "cjpeg baseline", ".jpg", "cjpeg -quality 75 photo.ppm > {out}", ref)
    ws.shell(k, "cjpeg progressive", ".jpeg", "cjpeg -progressive -quality 85 small.ppm > {out}", ref)
    ws.shell(k, "cjpeg grayscale", ".jpg", "cjpeg -grayscale small.ppm > {out}", ref)
    ws.shell(k, "cjpeg 4:4:4", ".jpg", "cjpeg -sample 1x1 -quality 95 small.ppm > {out}", ref)
    ws.shell(k, "cjpeg 4:2:2 with restart markers", ".jpg", "cjpeg -sample 2x1 -restart 1 synth.ppm > {out}", ref)
    ws.shell(k, "cjpeg arithmetic coding", ".jpg", "cjpeg -arithmetic small.ppm > {out}", ref)
    ws.shell(k, "cjpeg optimised, float transform, partial blocks", ".jpg",
             "cjpeg -optimize -dct float -quality 30 synth.ppm > {out}", ref)
    ws.shell(k, "ImageMagick progressive 4:1:1 with comment", ".jpg",
             "convert small.ppm -quality 92 -interlace Plane -sampling-factor 4x1 -comment 'a comment' {out}", ref)
    ws.shell(k, "ImageMagick Adobe CMYK", ".jpg", "convert small.ppm -colorspace CMYK -quality 90 {out}", ref)
    ws.shell(k, "ImageMagick grayscale", ".jpeg", "convert rose.ppm -colorspace Gray {out}", ref)
    ws.pillow_save(k, "Pillow progressive 4:4:4", ".jpg", src.small, ref, quality=80, subsampling=0, progressive=True)
    ws.pillow_save(k, "Pillow CMYK", ".jpg", lambda: src.rose().convert("CMYK"), ref, quality=90)
    ws.pillow_save(k, "Pillow optimised 4:2:0", ".jpg", src.synth, ref, quality=60, optimize=True)
    ws.shell(k, "ffmpeg full-range 4:2:0", ".jpg", "ffmpeg -v error -i small.ppm -q:v 3 {out}", ref)
    # A palette display: 256 colours chosen for the picture, dithered.
    palette = djpeg_ref(ws, "-colors 256")
    ws.shell(k, "cjpeg baseline on a palette display", ".jpg", "cjpeg small.ppm > {out}", palette, display_bits=8)
    ws.add(k, "Debian's photograph on a palette display", ".jpg", lambda out: shutil.copy(PHOTO, ws.path(out)),
           palette, display_bits=8)
    ws.shell(k, "grayscale on a palette display (not quantised)", ".jpg", "cjpeg -grayscale rose.ppm > {out}", ref,
             display_bits=8)
    ws.shell(k, "CMYK on a palette display (not quantised)", ".jpg", "convert rose.ppm -colorspace CMYK {out}", ref,
             display_bits=8)


def png_cases(ws, src):
    ref = netpbm_ref(ws, "pngtopam -alphapam {input}")
    k = "PNG"
    for sample in PNG_SAMPLES:
        name = os.path.basename(sample)
        ws.add(k, "matplotlib's %s as shipped" % name, ".png",
               lambda out, n=name: shutil.copy(ws.path(n), ws.path(out)), ref)
    ws.pillow_save(k, "Pillow 1-bit", ".png", src.bilevel, ref)
    ws.pillow_save(k, "Pillow 8-bit grey", ".png", src.gray, ref)
    ws.pillow_save(k, "Pillow grey with alpha", ".png", lambda: src.rgba().convert("LA"), ref)
    ws.pillow_save(k, "Pillow 16-bit grey", ".png", lambda: Image.open(ws.path("deep.pgm")), ref)
    ws.pillow_save(k, "Pillow 8-bit palette", ".png", src.palette, ref)
    ws.pillow_save(k, "Pillow 4-bit palette", ".png", src.palette16, ref)
    ws.pillow_save(k, "Pillow 2-bit palette", ".png", src.palette4, ref)
    ws.pillow_save(k, "Pillow palette with partial tRNS", ".png", src.palette, ref,
                   transparency=bytes((i * 7) & 255 for i in range(200)))
    ws.pillow_save(k, "Pillow grey with tRNS colour", ".png", src.gray, ref, transparency=src.gray().getpixel((0, 0)))
    # pngtopam (netpbm 11.01) leaves the tRNS colour of an 8-bit RGB picture
    # opaque: Pillow reads this one.
    ws.pillow_save(k, "Pillow RGB with tRNS colour", ".png", src.synth, pillow_ref(ws),
                   transparency=src.synth().getpixel((0, 0)))
    ws.pillow_save(k, "Pillow RGB, no compression", ".png", src.small, ref, compress_level=0)
    ws.pillow_save(k, "Pillow RGBA, optimised", ".png", src.rgba, ref, optimize=True)
    ws.shell(k, "ImageMagick png8 of the photograph", ".png", "convert small.ppm png8:{out}", ref)
    ws.shell(k, "ImageMagick png8 with a transparent colour", ".png",
             "convert rgba.png -channel A -threshold 50% png8:{out}", ref)
    ws.shell(k, "ImageMagick png24", ".png", "convert rose.ppm png24:{out}", ref)
    ws.shell(k, "ImageMagick png32", ".png", "convert rgba.png png32:{out}", ref)
    ws.shell(k, "ImageMagick png48", ".png", "convert deep.ppm png48:{out}", ref)
    ws.shell(k, "ImageMagick png64", ".png", "convert deep.ppm rgba.png -compose CopyOpacity -composite png64:{out}", ref)
    ws.shell(k, "ImageMagick Adam7 interlaced", ".png", "convert small.ppm -interlace PNG {out}", ref)
    ws.shell(k, "ImageMagick Adam7 interlaced with alpha", ".png", "convert rgba.png -interlace PNG png32:{out}", ref)
    ws.shell(k, "ImageMagick 2-bit grey", ".png",
             "convert synth.ppm -colorspace Gray -posterize 4 -define png:bit-depth=2 -define png:color-type=0 {out}", ref)
    ws.shell(k, "ImageMagick 16-bit grey", ".png", "convert deep.pgm -define png:bit-depth=16 {out}", ref)
    ws.shell(k, "ImageMagick grey with alpha", ".png", "convert rgba.png -type GrayscaleAlpha {out}", ref)
    ws.shell(k, "pnmtopng interlaced", ".png", "pnmtopng -interlace small.ppm > {out}", ref)
    ws.shell(k, "pnmtopng 16-bit RGB", ".png", "pnmtopng deep.ppm > {out}", ref)
    ws.shell(k, "pnmtopng 16-bit interlaced", ".png", "pnmtopng -interlace deep.ppm > {out}", ref)
    ws.shell(k, "pnmtopng with alpha from a mask", ".png", "pnmtopng -alpha=alpha.pgm synth.ppm > {out}", ref)
    ws.shell(k, "pnmtopng palette with a transparent colour", ".png",
             "pnmtopng -transparent=%s pal16.ppm > {out}" % rgb_spec(Image.open(ws.path("pal16.ppm")).getpixel((0, 0))), ref)
    ws.shell(k, "pnmtopng 1-bit", ".png", "pnmtopng bilevel.pbm > {out}", ref)
    ws.shell(k, "pnmtopng 4-bit palette", ".png", "pnmtopng pal16.ppm > {out}", ref)


def gif_cases(ws, src):
    ref = gif_ref(ws)
    k = "GIF"
    ws.pillow_save(k, "Pillow palette", ".gif", src.palette, ref, interlace=False)
    ws.pillow_save(k, "Pillow interlaced", ".gif", src.palette16, ref)
    ws.pillow_save(k, "Pillow with a transparent index", ".gif", src.palette, ref, transparency=5, interlace=False)
    ws.pillow_save(k, "Pillow optimised with a background index", ".gif", src.palette4, ref, optimize=True, background=2)
    ws.shell(k, "ImageMagick dithered photograph", ".gif", "convert small.ppm {out}", ref)
    ws.shell(k, "ImageMagick interlaced", ".gif", "convert rose.ppm -interlace GIF {out}", ref)
    ws.shell(k, "ImageMagick transparency from alpha", ".gif", "convert rgba.png {out}", ref)
    ws.shell(k, "ImageMagick GIF87a", ".gif", "convert pal16.ppm GIF87:{out}", ref)
    ws.shell(k, "ImageMagick frame inside a larger screen", ".gif", "convert rose.ppm -page 90x70+7+5 {out}", ref)
    ws.shell(k, "ImageMagick animation (first frame)", ".gif",
             "convert -delay 10 rose.ppm '(' rose.ppm -negate ')' -loop 0 {out}", ref)
    ws.shell(k, "pamtogif interlaced", ".gif", "pnmquant 256 small.ppm 2>/dev/null | pamtogif -interlace > {out}", ref)
    ws.shell(k, "pamtogif sorted with a transparent colour", ".gif",
             "pamtogif -sort -transparent=%s pal16.ppm > {out}"
             % rgb_spec(Image.open(ws.path("pal16.ppm")).getpixel((0, 0))), ref)
    transparent = rgb_spec(Image.open(ws.path("pal16.ppm")).getpixel((1, 1)))
    w, h = 2 * src.width, 2 * src.height  # pal16.ppm
    ws.shell(k, "giftool: transparent frame offset in a larger screen, background index", ".gif",
             "pamtogif -transparent=%s pal16.ppm | giftool -s %d,%d -p 10,4 -b 2 > {out}" % (transparent, w + 18, h + 9),
             ref)
    ws.shell(k, "giftool: frame reaching out of the screen", ".gif",
             "pamtogif -transparent=%s pal16.ppm | giftool -s %d,%d -p 2,1 -b 3 > {out}" % (transparent, w - 1, h), ref)
    ws.shell(k, "giftool: interlaced", ".gif", "pamtogif pal4.ppm | giftool -i 1 > {out}", ref)


def tiff_cases(ws, src):
    # -byrow: tifftopnm's own conversion, not libtiff's RGBA interface (which
    # the runtime uses). Pillow reads what tifftopnm cannot (tiles, YCbCr,
    # grey with alpha), alpha (tifftopnm writes the colour premultiplied),
    # CMYK (tifftopnm subtracts where Pillow and libtiff multiply) and colour
    # maps (Pillow and libtiff take an entry's high byte, which is what
    # Pillow means when it writes value * 256; tifftopnm scales).
    ref = netpbm_ref(ws, "tifftopnm -quiet -byrow {input}")
    pillow = pillow_ref(ws)
    k = "TIFF"
    premultiplied = dict(tolerance=1, why="libtiff hands out colour premultiplied by alpha, rounded to 8 bits")
    cmyk = dict(tolerance=1, why="libtiff converts CMYK to RGB by truncating division")
    grey16 = dict(tolerance=1, why="libtiff takes the high byte of 16-bit grey samples (16-bit colour it rounds)")
    for compress in ["None", "LZW", "Zip", "RLE"]:
        ws.shell(k, "ImageMagick, compression %s" % compress, ".tif", "convert small.ppm -compress %s {out}" % compress, ref)
    ws.shell(k, "ImageMagick JPEG-in-TIFF", ".tif", "convert small.ppm -compress JPEG {out}", pillow)
    ws.shell(k, "ImageMagick LZW with predictor", ".tif",
             "convert synth.ppm -compress LZW -define tiff:predictor=2 {out}", ref)
    ws.shell(k, "ImageMagick palette", ".tif", "convert pal16.ppm -type Palette {out}", pillow)
    ws.shell(k, "ImageMagick grey", ".tiff", "convert small.pgm -type Grayscale {out}", ref)
    ws.shell(k, "ImageMagick bilevel, Group 4", ".tif", "convert bilevel.pbm -compress Group4 {out}", ref)
    ws.shell(k, "ImageMagick bilevel, Group 3 fax", ".tif", "convert bilevel.pbm -compress Fax {out}", ref)
    ws.shell(k, "ImageMagick 16-bit", ".tif", "convert deep.ppm -depth 16 {out}", ref)
    ws.shell(k, "ImageMagick 16-bit grey, big-endian", ".tif", "convert deep.pgm -depth 16 -endian MSB {out}", ref, **grey16)
    ws.shell(k, "ImageMagick CMYK", ".tif", "convert small.ppm -colorspace CMYK {out}", pillow, **cmyk)
    ws.shell(k, "ImageMagick tiles", ".tif", "convert small.ppm -define tiff:tile-geometry=16x16 {out}", pillow)
    ws.shell(k, "ImageMagick strips of 3 rows", ".tif", "convert synth.ppm -define tiff:rows-per-strip=3 {out}", ref)
    ws.shell(k, "ImageMagick unassociated alpha", ".tif", "convert rgba.png {out}", pillow, **premultiplied)
    ws.shell(k, "ImageMagick associated alpha", ".tif", "convert rgba.png -define tiff:alpha=associated {out}", pillow,
             **premultiplied)
    ws.shell(k, "ImageMagick grey with unassociated alpha", ".tif", "convert rgba.png -type GrayscaleAlpha {out}", pillow)
    # Pillow cannot read this one; ImageMagick reads it back.
    ws.shell(k, "ImageMagick grey with associated alpha", ".tif",
             "convert rgba.png -type GrayscaleAlpha -define tiff:alpha=associated {out}",
             netpbm_ref(ws, "convert {input} -depth 8 pam:-"), **premultiplied)
    ws.shell(k, "ImageMagick grey with alpha, planes separate", ".tif",
             "convert rgba.png -type GrayscaleAlpha -interlace Plane {out}", pillow, **premultiplied)
    ws.pillow_save(k, "Pillow LZW", ".tif", src.rose, ref, compression="tiff_lzw")
    ws.pillow_save(k, "Pillow Deflate", ".tif", src.small, ref, compression="tiff_adobe_deflate")
    ws.pillow_save(k, "Pillow PackBits grey", ".tif", src.gray, ref, compression="packbits")
    ws.pillow_save(k, "Pillow JPEG", ".tif", src.small, pillow, compression="jpeg")
    ws.pillow_save(k, "Pillow palette", ".tif", src.palette, pillow)
    ws.pillow_save(k, "Pillow bilevel, Group 4", ".tif", src.bilevel, ref, compression="group4")
    ws.pillow_save(k, "Pillow CMYK", ".tif", lambda: src.small().convert("CMYK"), pillow, **cmyk)
    ws.pillow_save(k, "Pillow RGBA", ".tif", src.rgba, pillow, **premultiplied)
    ws.pillow_save(k, "Pillow grey with alpha", ".tif", lambda: src.rgba().convert("LA"), pillow)
    ws.pillow_save(k, "Pillow 16-bit grey", ".tif", lambda: Image.open(ws.path("deep.pgm")).convert("I;16"), ref, **grey16)
    ws.shell(k, "pnmtotiff LZW with predictor", ".tif", "pnmtotiff -lzw -predictor=2 small.ppm > {out}", ref)
    ws.shell(k, "pnmtotiff PackBits, one row a strip", ".tif", "pnmtotiff -packbits -rowsperstrip=1 synth.ppm > {out}", ref)
    ws.shell(k, "pnmtotiff Deflate 16-bit", ".tif", "pnmtotiff -truecolor -flate deep.ppm > {out}", ref)
    ws.shell(k, "pnmtotiff palette", ".tif", "pnmtotiff pal16.ppm > {out}", pillow)
    ws.shell(k, "pnmtotiff palette of 16-bit colours", ".tif", "pnmtotiff deeppal.ppm > {out}", pillow)
    ws.shell(k, "pnmtotiff Group 3, min-is-white", ".tif", "pnmtotiff -g3 -miniswhite bilevel.pbm > {out}", ref)
    ws.shell(k, "pnmtotiff Group 4, LSB first", ".tif", "pnmtotiff -g4 -lsb2msb bilevel.pbm > {out}", ref)
    ws.shell(k, "pnmtotiffcmyk", ".tif", "pnmtotiffcmyk small.ppm > {out}", pillow, **cmyk)
    ws.shell(k, "tiffcp planes separate", ".tif", "pnmtotiff small.ppm > c.tif && tiffcp -p separate c.tif {out}", ref)
    ws.shell(k, "tiffcp tiles, Deflate with predictor", ".tif",
             "pnmtotiff synth.ppm > c.tif && tiffcp -t -w 16 -l 16 -c zip:2 c.tif {out}", pillow)
    ws.shell(k, "tiffcp 16-bit LZW with predictor", ".tif",
             "pnmtotiff -truecolor deep.ppm > c.tif && tiffcp -c lzw:2 c.tif {out}", ref)
    ws.shell(k, "tiffcp JPEG (YCbCr)", ".tif", "pnmtotiff small.ppm > c.tif && tiffcp -c jpeg:90 -r 16 c.tif {out}", pillow)


def opaque(reference):
    """The reference's colours, its alpha left out (Windows bitmaps, and
    Targa alpha that the descriptor does not declare)."""
    def read(path):
        pic = reference(path)
        rgba = bytearray(pic.rgba)
        rgba[3::4] = b"\xff" * (pic.width * pic.height)
        return Pic(pic.width, pic.height, rgba)
    return read


def requantized(reference, bits, convention="floor"):
    """For channels of `bits` (red, green, blue) bits: the reference widens
    a value v to 8 bits by its `convention` ("floor": v * 255 // max, as
    Pillow and bmptopnm do; "shift": v << (8 - bits), as ImageMagick does
    for 4 bits); the runtime rounds to nearest. Each reference value maps
    back to one v, and the expected value is v rounded."""
    tables = []
    for n in bits:
        top = (1 << n) - 1
        widen = (lambda v: v * 255 // top) if convention == "floor" else (lambda v: v << (8 - n))
        table = bytearray(range(256))
        for v in range(top + 1):
            table[widen(v)] = scale(v, top)
        tables.append(bytes(table))

    def read(path):
        pic = reference(path)
        rgba = bytearray(pic.rgba)
        for c in range(3):
            rgba[c::4] = rgba[c::4].translate(tables[c])
        return Pic(pic.width, pic.height, rgba)
    return read


def rle_dib(picture, four):
    """A run-length coded bitmap (BI_RLE8, or BI_RLE4 with `four`) of a
    palette picture, with runs, literal runs, end-of-line codes and a delta
    that skips half a row and the start of the next (no Debian tool writes
    RLE4 or deltas)."""
    w, h = picture.size
    colours = 16 if four else 256
    indices = list(picture.getdata())
    rows = [indices[y * w:(y + 1) * w] for y in range(h - 1, -1, -1)]  # file order: bottom-up

    def code(line, x, end):
        out = bytearray()
        while x < end:
            run = 1
            while x + run < end and run < 255 and line[x + run] == line[x]:
                run += 1
            if run >= 3 or end - x < 3:
                out += bytes((run, line[x] * 17 if four else line[x]))
                x += run
                continue
            n = 3
            while x + n < end and n < 254 and line[x + n] != line[x + n - 1]:
                n += 1
            literal = line[x:x + n]
            packed = bytes(literal) if not four else bytes(
                literal[i] << 4 | (literal[i + 1] if i + 1 < n else 0) for i in range(0, n, 2))
            out += bytes((0, n)) + packed + (b"\0" if len(packed) % 2 else b"")
            x += n
        return out

    data = bytearray()
    jump, k = len(rows) // 2, 0
    while k < len(rows):
        if k == jump and k + 1 < len(rows):
            data += code(rows[k], 0, w // 2) + bytes((0, 2, 0, 1)) + code(rows[k + 1], w // 2, w) + b"\0\0"
            k += 2
        else:
            data += code(rows[k], 0, w) + b"\0\0"
            k += 1
    data += b"\0\1"
    palette = picture.getpalette()[:3 * colours]
    palette += [0] * (3 * colours - len(palette))
    table = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0)) for i in range(colours))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4 if four else 8, 2 if four else 1, len(data), 2835, 2835,
                         colours, 0)
    offset = 14 + len(header) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + header + table + bytes(data)


def top_down(bmp):
    """A bottom-up BMP of 40-byte header turned top-down: rows reversed, height negated."""
    offset, = struct.unpack("<I", bmp[10:14])
    width, height, _, bits = struct.unpack("<iiHH", bmp[18:30])
    stride = (width * bits + 31) // 32 * 4
    rows = [bmp[offset + i * stride:offset + (i + 1) * stride] for i in range(height)]
    return bmp[:22] + struct.pack("<i", -height) + bmp[26:offset] + b"".join(reversed(rows))


def bmp_cases(ws, src):
    pillow = opaque(pillow_ref(ws))
    magick = opaque(netpbm_ref(ws, "convert {input} -depth 8 pam:-"))
    k = "Windows bitmap"

    def write(data):
        return lambda out: open(ws.path(out), "wb").write(data)

    ws.pillow_save(k, "Pillow 24-bit", ".bmp", src.small, pillow)
    ws.pillow_save(k, "Pillow 1-bit", ".bmp", src.bilevel, pillow)
    ws.pillow_save(k, "Pillow 8-bit grey", ".bmp", src.gray, pillow)
    ws.pillow_save(k, "Pillow 8-bit palette", ".bmp", src.palette, pillow)
    ws.pillow_save(k, "Pillow 32-bit with alpha (shown without it)", ".bmp", src.rgba, pillow)
    ws.shell(k, "ImageMagick BMP3 24-bit", ".bmp", "convert rose.ppm bmp3:{out}", pillow)
    ws.shell(k, "ImageMagick BMP2 (core header)", ".bmp", "convert pal16.ppm bmp2:{out}", pillow)
    ws.shell(k, "ImageMagick v5 header, RLE8", ".bmp", "convert small.ppm -type Palette -compress RLE {out}", pillow)
    ws.shell(k, "ImageMagick 16-bit 5-6-5", ".bmp", "convert small.ppm -define bmp:subtype=RGB565 {out}",
             requantized(pillow, (5, 6, 5)))
    ws.shell(k, "ImageMagick 16-bit 1-5-5-5 with alpha", ".bmp",
             "convert rgba.png -define bmp:subtype=ARGB1555 {out}", requantized(pillow, (5, 5, 5)))
    ws.shell(k, "ImageMagick 32-bit with alpha mask", ".bmp", "convert rgba.png {out}", pillow)
    ws.shell(k, "ImageMagick bilevel", ".bmp", "convert bilevel.pbm -type Bilevel {out}", pillow)
    for bpp, source in [(1, "bilevel.pbm"), (4, "pal16.ppm"), (8, "pal.ppm"), (24, "small.ppm")]:
        ws.shell(k, "ppmtobmp %d-bit" % bpp, ".bmp", "ppmtobmp -bpp=%d %s > {out}" % (bpp, source), pillow)
    ws.shell(k, "ppmtobmp OS/2 4-bit", ".bmp", "ppmtobmp -os2 -bpp=4 pal16.ppm > {out}", pillow)
    ws.shell(k, "ppmtobmp OS/2 24-bit", ".bmp", "ppmtobmp -os2 small.ppm > {out}", pillow)
    ws.shell(k, "ffmpeg 16-bit 5-5-5", ".bmp", "ffmpeg -v error -i small.ppm -pix_fmt rgb555le {out}",
             requantized(pillow, (5, 5, 5)))
    ws.shell(k, "ffmpeg 16-bit 5-6-5", ".bmp", "ffmpeg -v error -i small.ppm -pix_fmt rgb565le {out}",
             requantized(pillow, (5, 6, 5)))
    # Pillow does not read 4-4-4 masks.
    ws.shell(k, "ffmpeg 16-bit 4-4-4", ".bmp", "ffmpeg -v error -i small.ppm -pix_fmt rgb444le {out}",
             requantized(magick, (4, 4, 4), "shift"))
    for fmt in ["bgra", "pal8", "gray", "monow"]:
        ws.shell(k, "ffmpeg %s" % fmt, ".bmp", "ffmpeg -v error -i small.ppm -pix_fmt %s {out}" % fmt, pillow)
    # Pillow 9.4 loses the literal run after a delta: ImageMagick reads these.
    ws.add(k, "RLE8 with literal runs and a delta", ".bmp", lambda out: write(rle_dib(src.palette(), False))(out), magick)
    ws.add(k, "RLE4 with literal runs and a delta", ".rle", lambda out: write(rle_dib(src.palette16(), True))(out), magick)

    def pillow_bmp(picture):
        buffer = io.BytesIO()
        picture.save(buffer, "BMP")
        return buffer.getvalue()

    ws.add(k, "Pillow 24-bit turned top-down", ".bmp", lambda out: write(top_down(pillow_bmp(src.synth())))(out),
           pillow)
    ws.add(k, "Pillow 4-bit palette turned top-down", ".bmp",
           lambda out: write(top_down(pillow_bmp(src.palette16())))(out), pillow)
    # A bare device-independent bitmap: the file header cut off; Pillow
    # reads the whole file it came from.
    ws.add(k, "bare DIB (no file header)", ".dib",
           lambda out: (write(pillow_bmp(src.palette()))(out + ".bmp"), write(pillow_bmp(src.palette())[14:])(out)),
           lambda path: pillow(path + ".bmp"))


def icon_ref(ws):
    """Pillow's choice of image (the largest, then the deepest), read from
    the image itself: Pillow's icon reader drops the transparency of a
    palette PNG inside."""
    def read(path):
        im = Image.open(ws.path(path))
        return Pic.from_pillow(im.ico.getimage(im.size))
    return read


def ico_cases(ws, src):
    ref = icon_ref(ws)
    k = "Windows icon"
    icon = lambda: src.rgba().crop((0, 0, 32, 32))
    ws.pillow_save(k, "Pillow PNG images, 16 to 32", ".ico", icon, ref, sizes=[(16, 16), (24, 24), (32, 32)])
    ws.pillow_save(k, "Pillow 32-bit bitmap images", ".ico", icon, ref, sizes=[(16, 16), (32, 32)], bitmap_format="bmp")
    ws.shell(k, "ImageMagick 48, 32, 16 with alpha", ".ico", "convert rgba.png -define icon:auto-resize=48,32,16 {out}", ref)
    ws.shell(k, "ImageMagick 256 (PNG) and 16", ".ico", "convert small.ppm -define icon:auto-resize=256,16 {out}", ref)
    ws.shell(k, "ImageMagick from matplotlib's icon", ".ico", "convert home_large.png {out}", ref)
    ws.shell(k, "ppmtowinicon 8-bit with a mask", ".ico",
             "pnmquant 256 synth.ppm 2>/dev/null > q.ppm && pamthreshold -simple alpha.pgm 2>/dev/null | pamtopnm "
             "| pgmtopbm -threshold 2>/dev/null | pbmtopgm 1 1 > m.pgm && ppmtowinicon -andpgms q.ppm m.pgm > {out}", ref)
    ws.shell(k, "ppmtowinicon 4-bit", ".ico", "ppmtowinicon pal16.ppm > {out}", ref)
    ws.shell(k, "ppmtowinicon 4-bit then 8-bit of one size (the deeper is shown)", ".ico",
             "pamscale -xsize 32 -ysize 32 small.ppm | pnmquant 16 2>/dev/null > a.ppm && "
             "pamscale -xsize 32 -ysize 32 rose.ppm | pnmquant 256 2>/dev/null > b.ppm && "
             "ppmtowinicon a.ppm b.ppm > {out}", ref)
    ws.shell(k, "ppmtowinicon 1-bit", ".ico",
             "ppmtopgm bilevel.pbm 2>/dev/null | pgmtoppm white > b.ppm && ppmtowinicon b.ppm > {out}", ref)
    ws.shell(k, "pamtowinicon 32-bit", ".ico", "pngtopam -alphapam rgba.png | pamtowinicon > {out}", ref)
    ws.shell(k, "pamtowinicon PNG image", ".ico", "pngtopam -alphapam rgba.png | pamtowinicon -pngthreshold=1 > {out}", ref)


def pcx_cases(ws, src):
    ref = netpbm_ref(ws, "pcxtoppm -quiet {input}")
    # One plane of one bit is black and white here, as Pillow reads it;
    # pcxtoppm takes the header's palette for it.
    mono = pillow_ref(ws)
    k = "PCX"
    ws.pillow_save(k, "Pillow 1-bit", ".pcx", src.bilevel, mono)
    ws.pillow_save(k, "Pillow 8-bit grey", ".pcx", src.gray, ref)
    ws.pillow_save(k, "Pillow 8-bit palette", ".pcx", src.palette, ref)
    ws.pillow_save(k, "Pillow 24-bit", ".pcx", src.small, ref)
    ws.shell(k, "ImageMagick 24-bit", ".pcx", "convert rose.ppm {out}", ref)
    ws.shell(k, "ImageMagick 8-bit palette", ".pcx", "convert pal.ppm -type Palette {out}", ref)
    ws.shell(k, "ImageMagick bilevel", ".pcx", "convert bilevel.pbm -type Bilevel {out}", mono)
    ws.shell(k, "ppmtopcx 8-bit", ".pcx", "ppmtopcx -8bit pal.ppm > {out}", ref)
    ws.shell(k, "ppmtopcx 24-bit", ".pcx", "ppmtopcx -24bit small.ppm > {out}", ref)
    ws.shell(k, "ppmtopcx 2 planes", ".pcx", "ppmtopcx -planes 2 pal4.ppm > {out}", ref)
    ws.shell(k, "ppmtopcx 3 planes", ".pcx", "pnmquant 8 small.ppm 2>/dev/null | ppmtopcx -planes 3 > {out}", ref)
    ws.shell(k, "ppmtopcx 4 planes", ".pcx", "ppmtopcx -planes 4 pal16.ppm > {out}", ref)
    ws.shell(k, "ppmtopcx packed 4-bit", ".pcx", "ppmtopcx -packed pal16.ppm > {out}", ref)
    ws.shell(k, "ppmtopcx packed 2-bit", ".pcx", "ppmtopcx -packed pal4.ppm > {out}", ref)
    ws.shell(k, "ppmtopcx black and white", ".pcx", "ppmtopcx bilevel.pbm > {out}", mono)
    ws.shell(k, "ppmtopcx two colours (header palette not used)", ".pcx",
             "pnmquant 2 small.ppm 2>/dev/null | ppmtopcx > {out}", mono)


def with_comment(pnm):
    """A binary any-map with a comment after the magic number."""
    return pnm[:2] + b"\n# a comment\n" + pnm[2:].lstrip()


def pnm_cases(ws, src):
    # pamdepth scales samples to 255 by rounding; Pillow reads the bitmaps.
    ref = netpbm_ref(ws, "pamdepth 255 {input}")
    bitmap = pillow_ref(ws)
    k = "Portable any-map"
    ws.pillow_save(k, "Pillow P6", ".ppm", src.small, ref)
    ws.pillow_save(k, "Pillow P5", ".pgm", src.gray, ref)
    ws.pillow_save(k, "Pillow P4", ".pbm", src.bilevel, bitmap)
    ws.shell(k, "pnmtoplainpnm P3", ".ppm", "pnmtoplainpnm synth.ppm > {out}", ref)
    ws.shell(k, "pnmtoplainpnm P2", ".pgm", "pnmtoplainpnm small.pgm > {out}", ref)
    ws.shell(k, "pnmtoplainpnm P1", ".pbm", "pnmtoplainpnm bilevel.pbm > {out}", bitmap)
    ws.shell(k, "16-bit P6", ".ppm", "cp deep.ppm {out}", ref)
    ws.shell(k, "16-bit P5", ".pgm", "cp deep.pgm {out}", ref)
    ws.shell(k, "16-bit plain P3", ".ppm", "pnmtoplainpnm deep.ppm > {out}", ref)
    ws.shell(k, "pamdepth maxval 1000", ".ppm", "pamdepth 1000 deep.ppm > {out}", ref)
    ws.shell(k, "pamdepth maxval 15", ".pgm", "pamdepth 15 small.pgm > {out}", ref)
    ws.shell(k, "pamdepth maxval 1 grey", ".pgm", "pamdepth 1 small.pgm > {out}", ref)
    ws.shell(k, "ImageMagick plain P3", ".ppm", "convert rose.ppm -compress none {out}", ref)
    ws.shell(k, "ImageMagick P5", ".pgm", "convert small.ppm -colorspace Gray {out}", ref)
    ws.add(k, "P6 with a comment", ".ppm",
           lambda out: open(ws.path(out), "wb").write(with_comment(open(ws.path("synth.ppm"), "rb").read())), ref)


def sgi_cases(ws, src):
    ref = netpbm_ref(ws, "sgitopnm -quiet {input}")  # samples at their own depth
    pillow = pillow_ref(ws)  # with alpha: sgitopnm leaves it out
    k = "SGI"
    ws.pillow_save(k, "Pillow RGB", ".sgi", src.small, ref)
    ws.pillow_save(k, "Pillow grey", ".bw", src.gray, ref)
    ws.pillow_save(k, "Pillow RGBA", ".rgba", src.rgba, pillow)
    ws.shell(k, "ImageMagick RLE", ".sgi", "convert small.ppm {out}", ref)
    ws.shell(k, "ImageMagick verbatim", ".rgb", "convert rose.ppm -compress None sgi:{out}", ref)
    ws.shell(k, "ImageMagick RLE 16-bit", ".sgi", "convert deep.ppm -depth 16 {out}", ref)
    ws.shell(k, "ImageMagick RLE with alpha", ".sgi", "convert rgba.png {out}", pillow)
    ws.shell(k, "ImageMagick grey", ".sgi", "convert small.pgm {out}", ref)
    ws.shell(k, "pnmtosgi RLE", ".sgi", "pnmtosgi -rle synth.ppm > {out}", ref)
    ws.shell(k, "pnmtosgi verbatim grey", ".sgi", "pnmtosgi -verbatim small.pgm > {out}", ref)
    ws.shell(k, "pnmtosgi RLE 16-bit", ".sgi", "pnmtosgi -rle deep.ppm > {out}", ref)
    ws.shell(k, "pnmtosgi verbatim 16-bit grey", ".sgi", "pnmtosgi -verbatim deep.pgm > {out}", ref)


def right_to_left(tga):
    """An uncompressed true-colour Targa file with each row reversed and the
    right-to-left bit set."""
    id_length, width, height, depth = tga[0], *struct.unpack("<HHB", tga[12:17])
    start, step = 18 + id_length, depth // 8
    rows = [tga[start + y * width * step:start + (y + 1) * width * step] for y in range(height)]
    flipped = b"".join(b"".join(row[x * step:(x + 1) * step] for x in range(width - 1, -1, -1)) for row in rows)
    return tga[:17] + bytes((tga[17] ^ 0x10,)) + tga[18:start] + flipped + tga[start + len(flipped):]


def tga_cases(ws, src):
    ref = pillow_ref(ws)
    netpbm = netpbm_ref(ws, "tgatoppm {input}")
    k = "Truevision Targa"
    ws.pillow_save(k, "Pillow RGB", ".tga", src.small, ref)
    ws.pillow_save(k, "Pillow RGB, RLE", ".tga", src.small, ref, rle=True)
    ws.pillow_save(k, "Pillow RGBA, RLE", ".tga", src.rgba, ref, rle=True)
    ws.pillow_save(k, "Pillow grey, RLE", ".tga", src.gray, ref, rle=True)
    ws.pillow_save(k, "Pillow colour-mapped", ".tga", src.palette, ref)
    ws.pillow_save(k, "Pillow colour-mapped, RLE", ".tga", src.palette16, ref, rle=True)
    ws.shell(k, "ImageMagick RLE", ".tga", "convert small.ppm -compress RLE {out}", ref)
    ws.shell(k, "ImageMagick 32-bit with alpha", ".tga", "convert rgba.png {out}", ref)
    ws.shell(k, "ImageMagick colour-mapped", ".tga", "convert pal.ppm -type Palette {out}", ref)
    ws.shell(k, "ImageMagick grey, RLE", ".tga", "convert small.pgm -compress RLE {out}", ref)
    ws.shell(k, "pamtotga colour-mapped", ".tga", "pamtotga -cmap pal.ppm > {out}", netpbm)
    ws.shell(k, "pamtotga 16-bit colour map", ".tga", "pamtotga -cmap16 pal16.ppm > {out}", netpbm)
    ws.shell(k, "pamtotga grey, uncompressed", ".tga", "pamtotga -mono -norle small.pgm > {out}", netpbm)
    ws.shell(k, "pamtotga RGB", ".tga", "pamtotga -rgb synth.ppm > {out}", netpbm)
    # 32-bit colour whose descriptor declares no alpha bits: opaque here, by
    # the descriptor; Pillow, ImageMagick and tgatoppm take the fourth byte
    # as alpha all the same.
    ws.shell(k, "pamtotga with alpha (not declared)", ".tga", "pngtopam -alphapam rgba.png | pamtotga > {out}",
             opaque(ref))
    ws.shell(k, "ffmpeg 16-bit, RLE", ".tga", "ffmpeg -v error -i small.ppm -pix_fmt rgb555le {out}",
             requantized(ref, (5, 5, 5)))
    ws.shell(k, "ffmpeg 16-bit, uncompressed", ".tga", "ffmpeg -v error -i synth.ppm -pix_fmt rgb555le -rle 0 {out}",
             requantized(ref, (5, 5, 5)))
    for fmt in ["bgra", "gray", "pal8", "bgr24"]:
        ws.shell(k, "ffmpeg %s" % fmt, ".tga", "ffmpeg -v error -i rose.ppm -pix_fmt %s {out}" % fmt, ref)

    def right_to_left_of(picture):
        buffer = io.BytesIO()
        picture.save(buffer, "TGA")
        return right_to_left(buffer.getvalue())

    ws.add(k, "Pillow RGB turned right-to-left", ".tga",
           lambda out: (src.synth().save(ws.path(out + ".orig.tga")),
                        open(ws.path(out), "wb").write(right_to_left_of(src.synth()))),
           lambda path: ref(path + ".orig.tga"))


def eps_cases(ws, src):
    """No Debian tool writes the binary EPS header without Ghostscript
    (ImageMagick's policy refuses EPS), so these wrap TIFF previews written
    by the TIFF tools in it; the reference reads the TIFF."""
    ref = netpbm_ref(ws, "tifftopnm -quiet -byrow {input}.tif")
    k = "Encapsulated PostScript"

    def wrap(tiff_command):
        def make(out):
            ws.sh(tiff_command.format(out=out + ".tif"))
            with open(ws.path(out + ".tif"), "rb") as f:
                tiff = f.read()
            ps = b"%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nshowpage\n"
            header = struct.pack("<IIIIIIIH", 0xC6D3D0C5, 30, len(ps), 0, 0, 30 + len(ps), len(tiff), 0xFFFF)
            with open(ws.path(out), "wb") as f:
                f.write(header + ps + tiff)
        return make

    ws.add(k, "pnmtotiff LZW preview", ".eps", wrap("pnmtotiff -lzw small.ppm > {out}"), ref)
    ws.add(k, "tiffcp PackBits grey preview", ".eps", wrap("pnmtotiff small.pgm > c.tif && tiffcp -c packbits c.tif {out}"),
           ref)


def rgb_spec(colour):
    return "rgb:%02x/%02x/%02x" % colour[:3]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dump = os.path.abspath(sys.argv[1])
    rounds = int(os.environ.get("KESTRO_DIFF_CASES", "1"))
    missing = [t for t in TOOLS if shutil.which(t) is None] + [p for p in [PHOTO] + PNG_SAMPLES if not os.path.exists(p)]
    if missing:
        sys.exit("pictures.py: missing %s (scripts/setup.sh check installs them)" % " ".join(missing))

    formats = {}
    for line in subprocess.run([dump, "--formats"], capture_output=True, check=True, text=True).stdout.splitlines():
        ext, kind, available = line.split("\t")
        formats.setdefault(kind, [available == "1", []])[1].append(ext)

    keep = os.environ.get("KESTRO_DIFF_KEEP")  # a folder to keep the pictures in, for a look at a failure
    if keep:
        os.makedirs(keep, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="kestro-picture-diff-") as folder:
        ws = Workshop(keep or folder)
        for round_ in range(rounds):
            # The first round's sizes are odd on purpose: rows need padding
            # and JPEG blocks are cut.
            rng = random.Random(round_)
            width, height = (61, 37) if round_ == 0 else (rng.randint(2, 90), rng.randint(2, 70))
            src = Sources(ws, rng, width, height)
            for make_cases in CASES:
                make_cases(ws, src)
        failures = run(ws, dump, formats)
    sys.exit(1 if failures else 0)


def run(ws, dump, formats):
    faults = ws.faults
    kinds = {kind for kind, (available, _) in formats.items() if available}
    covered = {case["kind"] for case in ws.cases}
    for kind in sorted(kinds - covered):
        faults.append("%s: the runtime decodes it, but no case here does" % kind)
    for kind in sorted(covered - kinds):
        faults.append("%s: cases here, but no such decoder in the registry" % kind)

    # Every registered extension of a covered kind is loaded once: a copy of
    # the kind's first picture under that extension.
    used = {os.path.splitext(case["file"])[1] for case in ws.cases}
    for kind in sorted(kinds & covered):
        first = next(case for case in ws.cases if case["kind"] == kind and case["display_bits"] is None)
        for ext in formats[kind][1]:
            if "." + ext not in used:
                ws.add(kind, "%s, as .%s" % (first["title"], ext), "." + ext,
                       lambda out, first=first: shutil.copy(ws.path(first["file"]), ws.path(out)),
                       first["reference"], tolerance=first["tolerance"], why=first["why"])

    by_display = {}
    for case in ws.cases:
        by_display.setdefault(case["display_bits"], []).append(case)
    passed = 0
    for bits, cases in by_display.items():
        command = [dump, "--flatten", "%02x%02x%02x" % FLATTEN]
        if bits is not None:
            command += ["--display-bits", str(bits)]
        for case in cases:
            command += [ws.path(case["file"]), ws.path(case["file"] + ".ours.ppm")]
        result = subprocess.run(command, capture_output=True, text=True)
        errors = {}
        for line in result.stdout.splitlines():
            if line.startswith("error: "):
                path, _, message = line[7:].partition(": ")
                errors[os.path.basename(path)] = message
        for case in cases:
            fault = errors.get(case["file"]) or compare(ws, case)
            if fault:
                faults.append("%s (%s, %s): %s" % (case["title"], case["kind"], case["file"], fault))
            else:
                passed += 1

    for fault in faults:
        print("FAIL " + fault)
    absent = sorted(kind for kind, (available, _) in formats.items() if not available)
    print("not decoded by this build here: " + ", ".join(absent))
    for line in sorted({"%s: %s" % (c["kind"], c["why"]) for c in ws.cases if c["why"]}):
        print("tolerated: " + line)
    print("%d passed, %d failed" % (passed, len(faults)))
    return len(faults)


def compare(ws, case):
    ours_path = ws.path(case["file"] + ".ours.ppm")
    if not os.path.exists(ours_path):
        return "the runtime did not load it"
    with open(ours_path, "rb") as f:
        ours = parse_netpbm(f.read())
    ref, expected = case["ref"], case["expected"]
    if (ours.width, ours.height) != (ref.width, ref.height):
        return "size %dx%d, reference %dx%d" % (ours.width, ours.height, ref.width, ref.height)
    got = ours.rgb()
    if got == expected:
        return None
    worst, bad, first = 0, 0, None
    for i in range(0, len(got), 3):
        d = max(abs(got[i + c] - expected[i + c]) for c in range(3))
        if d > case["tolerance"]:
            bad += 1
            if first is None:
                first = i // 3
        worst = max(worst, d)
    if bad == 0:
        return None
    x, y = first % ours.width, first // ours.width
    return "%d of %d pixels differ (by up to %d); first at (%d, %d): ours %s, expected %s" % (
        bad, ours.width * ours.height, worst, x, y, tuple(got[3 * first:3 * first + 3]),
        tuple(expected[3 * first:3 * first + 3]))


CASES = [jpeg_cases, png_cases, gif_cases, tiff_cases, bmp_cases, ico_cases, pcx_cases, pnm_cases, sgi_cases,
         tga_cases, eps_cases]

if __name__ == "__main__":
    main()
