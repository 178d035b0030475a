#!/usr/bin/env python3
"""Draws the runtime's icon, kestro.ico: two photographs, the front one a
landscape (sky, sun, hills), at the sizes Windows shows (16 to 256 pixels).
Run it with Debian's python3-pil (/usr/bin/python3 make_icon.py) to make the
file again after a change."""
import sys
from PIL import Image, ImageDraw

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
SCALE = 4  # drawn larger, then reduced, for smooth edges


def photo(draw, box, angle_shift, landscape):
    x0, y0, x1, y1 = box
    w = x1 - x0
    border = max(1, w // 14)
    draw.rounded_rectangle(box, radius=border, fill=(250, 250, 250, 255), outline=(90, 90, 90, 255),
                           width=max(1, w // 48))
    ix0, iy0, ix1, iy1 = x0 + border, y0 + border, x1 - border, y1 - border
    if not landscape:
        draw.rectangle((ix0, iy0, ix1, iy1), fill=(200, 120, 60, 255))
        return
    h = iy1 - iy0
    for row in range(h):  # sky: light at the horizon
        t = row / max(1, h - 1)
        draw.line((ix0, iy0 + row, ix1, iy0 + row),
                  fill=(int(40 + 120 * t), int(110 + 100 * t), int(210 + 35 * t), 255))
    sun = (ix1 - w // 3.2, iy0 + h // 7, ix1 - w // 7, iy0 + h // 7 + (w // 3.2 - w // 7))
    draw.ellipse(sun, fill=(255, 210, 60, 255))
    iw = ix1 - ix0
    draw.polygon([(ix0, iy1), (ix0, iy0 + h * 0.55), (ix0 + iw * 0.35, iy0 + h * 0.32),
                  (ix0 + iw * 0.7, iy0 + h * 0.62), (ix1, iy0 + h * 0.5), (ix1, iy1)], fill=(60, 140, 70, 255))
    draw.polygon([(ix0, iy1), (ix0, iy0 + h * 0.8), (ix0 + iw * 0.5, iy0 + h * 0.66), (ix1, iy0 + h * 0.82),
                  (ix1, iy1)], fill=(40, 105, 50, 255))


def icon(size):
    big = size * SCALE
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    photo(draw, (int(big * 0.30), int(big * 0.06), int(big * 0.96), int(big * 0.58)), 0, False)
    photo(draw, (int(big * 0.04), int(big * 0.30), int(big * 0.80), int(big * 0.90)), 0, True)
    return image.resize((size, size), Image.LANCZOS)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "kestro.ico"
    largest = icon(SIZES[-1])
    largest.save(out, format="ICO", sizes=[(s, s) for s in SIZES],
                 append_images=[icon(s) for s in SIZES[:-1]])
