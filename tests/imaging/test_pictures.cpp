#include "test_pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace kestro::testing {

namespace {

using imaging::Blue;
using imaging::Green;
using imaging::Red;

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put16BE(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v));
}
void Put32BE(Bytes& b, std::uint32_t v) {
  Put16BE(b, v >> 16);
  Put16BE(b, v & 0xFFFF);
}
void PadTo4(Bytes& b, std::size_t rowStart) {
  while ((b.size() - rowStart) % 4 != 0) b.push_back(0);
}

// Colour table (blue, green, red, 0) of an indexed picture, `entries` long.
void PutPalette(Bytes& b, const std::vector<TColor>& palette, std::size_t entries, bool core) {
  for (std::size_t i = 0; i < entries; ++i) {
    const TColor c = i < palette.size() ? palette[i] : 0;
    b.push_back(Blue(c));
    b.push_back(Green(c));
    b.push_back(Red(c));
    if (!core) b.push_back(0);
  }
}

// DIB header of `size` bytes.
void PutDibHeader(Bytes& b, int headerSize, int width, int height, int bitCount, std::uint32_t compression,
                  std::uint32_t colorsUsed, const std::uint32_t* masks) {
  Put32(b, headerSize);
  if (headerSize == 12) {
    Put16(b, width);
    Put16(b, height);
    Put16(b, 1);
    Put16(b, bitCount);
    return;
  }
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, bitCount);
  Put32(b, compression);
  Put32(b, 0);  // image size
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, colorsUsed);
  Put32(b, 0);
  for (int i = 40; i < headerSize; i += 4) {
    const int field = (i - 40) / 4;
    Put32(b, masks != nullptr && field < 4 ? masks[field] : (field == 4 ? 0x73524742 : 0));  // 'sRGB'
  }
}

void EncodeRle(Bytes& b, const Indexed& p, int y, bool four) {
  // Runs of equal pixels as encoded runs; the rest of a row in absolute mode
  // when it is long enough, else as runs of one.
  const int w = p.width;
  const std::uint8_t* row = p.indices.data() + static_cast<std::size_t>(y) * w;
  int x = 0;
  while (x < w) {
    int run = 1;
    while (x + run < w && run < 255 && row[x + run] == row[x]) ++run;
    if (run >= 2 || w - x < 3) {
      b.push_back(static_cast<std::uint8_t>(run));
      b.push_back(four ? static_cast<std::uint8_t>(row[x] << 4 | row[x]) : row[x]);
      x += run;
      continue;
    }
    int n = 3;
    while (x + n < w && n < 16 && row[x + n] != row[x + n - 1]) ++n;
    b.push_back(0);
    b.push_back(static_cast<std::uint8_t>(n));
    std::size_t bytes = 0;
    for (int i = 0; i < n; i += four ? 2 : 1) {
      if (four) {
        const std::uint8_t hi = row[x + i];
        const std::uint8_t lo = i + 1 < n ? row[x + i + 1] : 0;
        b.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
      } else {
        b.push_back(row[x + i]);
      }
      ++bytes;
    }
    if (bytes % 2) b.push_back(0);
    x += n;
  }
  b.push_back(0);
  b.push_back(0);  // end of line
}

Bytes FinishBmp(Bytes dib, std::size_t bitsOffsetInDib, bool fileHeader) {
  if (!fileHeader) return dib;
  Bytes b{'B', 'M'};
  Put32(b, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(b, 0);
  Put32(b, static_cast<std::uint32_t>(14 + bitsOffsetInDib));
  b.insert(b.end(), dib.begin(), dib.end());
  return b;
}

}  // namespace

Rgba Gradient(int width, int height) {
  Rgba p{width, height, {}, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      p.color.push_back(imaging::RGB(static_cast<std::uint8_t>(x * 37 + y * 5), static_cast<std::uint8_t>(y * 41 + 7),
                                     static_cast<std::uint8_t>((x * 13) ^ (y * 29))));
    }
  }
  return p;
}

Indexed Palettized(int width, int height, int colors) {
  Indexed p{width, height, {}, {}};
  for (int i = 0; i < colors; ++i) {
    p.palette.push_back(imaging::RGB(static_cast<std::uint8_t>(i * 53 + 11), static_cast<std::uint8_t>(255 - i * 17),
                                     static_cast<std::uint8_t>(i * 97)));
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Runs and changes both, so that the coders use every mode.
      const int v = (x / 3 + y * 2 + (x > width / 2 ? x : 0)) % colors;
      p.indices.push_back(static_cast<std::uint8_t>(v));
    }
  }
  return p;
}

Rgba Indexed::ToRgba() const {
  Rgba r{width, height, {}, {}};
  for (std::uint8_t i : indices) r.color.push_back(palette[i]);
  return r;
}

::testing::AssertionResult SamePixels(const Bitmap24& actual, const Rgba& expected) {
  return NearPixels(actual, expected, 0);
}

::testing::AssertionResult NearPixels(const Bitmap24& actual, const Rgba& expected, int tolerance) {
  if (actual.Width() != expected.width || actual.Height() != expected.height) {
    return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height() << ", expected "
                                         << expected.width << "x" << expected.height;
  }
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      const TColor a = actual.GetPixel(x, y), e = expected.At(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((e >> shift) & 255);
        if (d > tolerance || -d > tolerance) {
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is 0x" << std::hex << a
                                               << ", expected 0x" << e;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

Rgba JpegBlocks() {
  Rgba p{48, 32, {}, {}};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x) {
      p.color.push_back(imaging::RGB(static_cast<std::uint8_t>((x / 16) * 100 + 20), static_cast<std::uint8_t>((y / 16) * 150 + 30), 128));
    }
  }
  return p;
}

::testing::AssertionResult NearInside(const Bitmap24& actual, const Rgba& expected, int tolerance) {
  if (actual.Width() != expected.width || actual.Height() != expected.height) {
    return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height();
  }
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      if (x % 16 < 4 || x % 16 >= 12 || y % 16 < 4 || y % 16 >= 12) continue;
      const TColor a = actual.GetPixel(x, y), e = expected.At(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((e >> shift) & 255);
        if (d > tolerance || -d > tolerance) {
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is 0x" << std::hex << a << ", expected 0x" << e;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

Bytes MakeBmp(const Indexed& p, const BmpOptions& o) {
  const bool core = o.headerSize == 12;
  const std::size_t entries = std::size_t{1} << o.bitCount;
  const std::uint32_t compression = o.rle ? (o.bitCount == 8 ? 1 : 2) : 0;
  Bytes b;
  PutDibHeader(b, o.headerSize, p.width, o.topDown ? -p.height : p.height, o.bitCount, compression,
               static_cast<std::uint32_t>(p.palette.size()), nullptr);
  PutPalette(b, p.palette, core ? entries : p.palette.size(), core);
  const std::size_t bits = b.size();
  for (int i = 0; i < p.height; ++i) {
    const int y = o.topDown ? i : p.height - 1 - i;
    if (o.rle) {
      EncodeRle(b, p, y, o.bitCount == 4);
      continue;
    }
    const std::size_t start = b.size();
    unsigned acc = 0;
    int filled = 0;
    for (int x = 0; x < p.width; ++x) {
      acc = acc << o.bitCount | p.indices[static_cast<std::size_t>(y) * p.width + x];
      filled += o.bitCount;
      if (filled == 8) {
        b.push_back(static_cast<std::uint8_t>(acc));
        acc = 0;
        filled = 0;
      }
    }
    if (filled > 0) b.push_back(static_cast<std::uint8_t>(acc << (8 - filled)));
    PadTo4(b, start);
  }
  if (o.rle) {
    b.push_back(0);
    b.push_back(1);
  }
  return FinishBmp(std::move(b), bits, o.fileHeader);
}

Bytes MakeBmp(const Rgba& p, const BmpOptions& o) {
  const std::uint32_t masks565[] = {0xF800, 0x07E0, 0x001F, 0};
  const std::uint32_t masks32[] = {0x0000FF00, 0x00FF0000, 0xFF000000, 0};  // unusual order on purpose
  const std::uint32_t* masks = nullptr;
  std::uint32_t compression = 0;
  if (o.bitCount == 16 && o.bitFields565) {
    masks = masks565;
    compression = 3;
  } else if (o.bitCount == 32 && o.headerSize != 12) {
    masks = masks32;
    compression = 3;
  }
  Bytes b;
  PutDibHeader(b, o.headerSize, p.width, o.topDown ? -p.height : p.height, o.bitCount, compression, 0, masks);
  if (masks != nullptr && o.headerSize == 40) {
    for (int i = 0; i < 3; ++i) Put32(b, masks[i]);
  }
  const std::size_t bits = b.size();
  for (int i = 0; i < p.height; ++i) {
    const int y = o.topDown ? i : p.height - 1 - i;
    const std::size_t start = b.size();
    for (int x = 0; x < p.width; ++x) {
      const TColor c = p.At(x, y);
      if (o.bitCount == 24) {
        b.push_back(Blue(c));
        b.push_back(Green(c));
        b.push_back(Red(c));
      } else if (o.bitCount == 32) {
        const std::uint32_t v = masks == masks32
                                    ? static_cast<std::uint32_t>(Red(c)) << 8 | static_cast<std::uint32_t>(Green(c)) << 16 |
                                          static_cast<std::uint32_t>(Blue(c)) << 24
                                    : static_cast<std::uint32_t>(Blue(c)) | Green(c) << 8 | Red(c) << 16;
        Put32(b, v);
      } else if (o.bitFields565) {
        Put16(b, (Red(c) >> 3) << 11 | (Green(c) >> 2) << 5 | Blue(c) >> 3);
      } else {
        Put16(b, (Red(c) >> 3) << 10 | (Green(c) >> 3) << 5 | Blue(c) >> 3);
      }
    }
    PadTo4(b, start);
  }
  return FinishBmp(std::move(b), bits, o.fileHeader);
}

IconImage MakeIconDib(const Rgba& p, int bitCount) {
  Bytes b;
  PutDibHeader(b, 40, p.width, p.height * 2, bitCount, 0, 0, nullptr);
  for (int y = p.height - 1; y >= 0; --y) {
    const std::size_t start = b.size();
    for (int x = 0; x < p.width; ++x) {
      const TColor c = p.At(x, y);
      b.push_back(Blue(c));
      b.push_back(Green(c));
      b.push_back(Red(c));
      if (bitCount == 32) b.push_back(p.AlphaAt(x, y));
    }
    PadTo4(b, start);
  }
  for (int y = p.height - 1; y >= 0; --y) {
    const std::size_t start = b.size();
    for (int x = 0; x < p.width; x += 8) {
      std::uint8_t m = 0;
      for (int i = 0; i < 8 && x + i < p.width; ++i) {
        if (p.AlphaAt(x + i, y) == 0) m |= static_cast<std::uint8_t>(0x80 >> i);
      }
      b.push_back(m);
    }
    PadTo4(b, start);
  }
  return {std::move(b), p.width, p.height, bitCount};
}

IconImage MakeIconPng(const Rgba& p) { return {MakePng(p, {}), p.width, p.height, 32}; }

Bytes MakeIco(const std::vector<IconImage>& images) {
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, static_cast<unsigned>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (const auto& img : images) {
    b.push_back(static_cast<std::uint8_t>(img.width >= 256 ? 0 : img.width));
    b.push_back(static_cast<std::uint8_t>(img.height >= 256 ? 0 : img.height));
    b.push_back(0);
    b.push_back(0);
    Put16(b, 1);
    Put16(b, img.bitCount);
    Put32(b, static_cast<std::uint32_t>(img.data.size()));
    Put32(b, static_cast<std::uint32_t>(offset));
    offset += img.data.size();
  }
  for (const auto& img : images) b.insert(b.end(), img.data.begin(), img.data.end());
  return b;
}

namespace {

Bytes PcxHeader(int width, int height, int bits, int planes, int bytesPerLine, bool rle,
                const std::vector<TColor>& headerPalette) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = 5;
  b[2] = rle ? 1 : 0;
  b[3] = static_cast<std::uint8_t>(bits);
  Set16(b, 4, 3);  // a non-zero origin
  Set16(b, 6, 2);
  Set16(b, 8, 3 + width - 1);
  Set16(b, 10, 2 + height - 1);
  for (std::size_t i = 0; i < 16 && i < headerPalette.size(); ++i) {
    b[16 + 3 * i] = Red(headerPalette[i]);
    b[17 + 3 * i] = Green(headerPalette[i]);
    b[18 + 3 * i] = Blue(headerPalette[i]);
  }
  b[65] = static_cast<std::uint8_t>(planes);
  Set16(b, 66, bytesPerLine);
  b[68] = 1;
  return b;
}

// Run-length codes one scanline (runs never cross lines here).
void PcxEncode(Bytes& b, const Bytes& line, bool rle) {
  for (std::size_t i = 0; i < line.size();) {
    std::size_t run = 1;
    while (rle && i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
    if (rle && (run > 1 || (line[i] & 0xC0) == 0xC0)) {
      b.push_back(static_cast<std::uint8_t>(0xC0 | run));
      b.push_back(line[i]);
    } else {
      b.push_back(line[i]);
    }
    i += run;
  }
}

}  // namespace

Bytes MakePcx8(const Indexed& p, bool rle) {
  const int bpl = (p.width + 1) & ~1;
  Bytes b = PcxHeader(p.width, p.height, 8, 1, bpl, rle, {});
  for (int y = 0; y < p.height; ++y) {
    Bytes line(bpl, 0);
    for (int x = 0; x < p.width; ++x) line[x] = p.indices[static_cast<std::size_t>(y) * p.width + x];
    PcxEncode(b, line, rle);
  }
  b.push_back(0x0C);
  for (int i = 0; i < 256; ++i) {
    const TColor c = i < static_cast<int>(p.palette.size()) ? p.palette[i] : 0;
    b.push_back(Red(c));
    b.push_back(Green(c));
    b.push_back(Blue(c));
  }
  return b;
}

Bytes MakePcx24(const Rgba& p) {
  const int bpl = (p.width + 1) & ~1;
  Bytes b = PcxHeader(p.width, p.height, 8, 3, bpl, true, {});
  for (int y = 0; y < p.height; ++y) {
    Bytes line(static_cast<std::size_t>(bpl) * 3, 0);
    for (int x = 0; x < p.width; ++x) {
      line[x] = Red(p.At(x, y));
      line[bpl + x] = Green(p.At(x, y));
      line[2 * bpl + x] = Blue(p.At(x, y));
    }
    PcxEncode(b, line, true);
  }
  return b;
}

Bytes MakePcxPlanar(const Indexed& p, int planes) {
  const int bpl = ((p.width + 7) / 8 + 1) & ~1;
  Bytes b = PcxHeader(p.width, p.height, 1, planes, bpl, true, p.palette);
  for (int y = 0; y < p.height; ++y) {
    Bytes line(static_cast<std::size_t>(bpl) * planes, 0);
    for (int x = 0; x < p.width; ++x) {
      const unsigned index = p.indices[static_cast<std::size_t>(y) * p.width + x];
      for (int k = 0; k < planes; ++k) {
        if ((index >> k) & 1) line[k * bpl + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    PcxEncode(b, line, true);
  }
  return b;
}

Bytes MakePcxMono(const Indexed& p) {
  const int bpl = ((p.width + 7) / 8 + 1) & ~1;
  Bytes b = PcxHeader(p.width, p.height, 1, 1, bpl, true, {});
  for (int y = 0; y < p.height; ++y) {
    Bytes line(bpl, 0);
    for (int x = 0; x < p.width; ++x) {
      if (p.indices[static_cast<std::size_t>(y) * p.width + x] & 1) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    PcxEncode(b, line, true);
  }
  return b;
}

namespace {

Bytes TgaHeader(int idLength, int mapType, int type, int mapLength, int mapBits, int width, int height, int depth,
                int descriptor) {
  Bytes b;
  b.push_back(static_cast<std::uint8_t>(idLength));
  b.push_back(static_cast<std::uint8_t>(mapType));
  b.push_back(static_cast<std::uint8_t>(type));
  Put16(b, 0);
  Put16(b, mapLength);
  b.push_back(static_cast<std::uint8_t>(mapBits));
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, width);
  Put16(b, height);
  b.push_back(static_cast<std::uint8_t>(depth));
  b.push_back(static_cast<std::uint8_t>(descriptor));
  for (int i = 0; i < idLength; ++i) b.push_back('i');
  return b;
}

// Run-length packets over whole pixels of `bpp` bytes, crossing rows.
void TgaEncode(Bytes& out, const Bytes& raw, std::size_t bpp) {
  const std::size_t n = raw.size() / bpp;
  auto same = [&](std::size_t a, std::size_t b) { return std::memcmp(&raw[a * bpp], &raw[b * bpp], bpp) == 0; };
  for (std::size_t i = 0; i < n;) {
    std::size_t run = 1;
    while (i + run < n && run < 128 && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), raw.begin() + i * bpp, raw.begin() + (i + 1) * bpp);
      i += run;
      continue;
    }
    std::size_t lit = 1;
    while (i + lit < n && lit < 128 && !(i + lit + 1 < n && same(i + lit, i + lit + 1))) ++lit;
    out.push_back(static_cast<std::uint8_t>(lit - 1));
    out.insert(out.end(), raw.begin() + i * bpp, raw.begin() + (i + lit) * bpp);
    i += lit;
  }
}

}  // namespace

Bytes MakeTga(const Rgba& p, const TgaOptions& o) {
  const int descriptor = o.alphaBits | (o.rightToLeft ? 0x10 : 0) | (o.topDown ? 0x20 : 0);
  Bytes b = TgaHeader(3, 0, o.type, 0, 0, p.width, p.height, o.depth, descriptor);
  const std::size_t bpp = (o.depth + 7) / 8;
  Bytes raw;
  for (int line = 0; line < p.height; ++line) {
    const int y = o.topDown ? line : p.height - 1 - line;
    for (int i = 0; i < p.width; ++i) {
      const int x = o.rightToLeft ? p.width - 1 - i : i;
      const TColor c = p.At(x, y);
      if (o.depth == 8) {
        raw.push_back(Red(c));  // grey: the red channel
      } else if (o.depth == 15 || o.depth == 16) {
        const unsigned a = o.depth == 16 && p.AlphaAt(x, y) >= 128 ? 0x8000 : 0;
        Put16(raw, a | (Red(c) >> 3) << 10 | (Green(c) >> 3) << 5 | Blue(c) >> 3);
      } else {
        raw.push_back(Blue(c));
        raw.push_back(Green(c));
        raw.push_back(Red(c));
        if (o.depth == 32) raw.push_back(p.AlphaAt(x, y));
      }
    }
  }
  if (o.type >= 9) {
    TgaEncode(b, raw, bpp);
  } else {
    b.insert(b.end(), raw.begin(), raw.end());
  }
  return b;
}

Bytes MakeTgaMapped(const Indexed& p, bool rle) {
  Bytes b = TgaHeader(0, 1, rle ? 9 : 1, static_cast<int>(p.palette.size()), 24, p.width, p.height, 8, 0x20);
  for (TColor c : p.palette) {
    b.push_back(Blue(c));
    b.push_back(Green(c));
    b.push_back(Red(c));
  }
  Bytes raw(p.indices.begin(), p.indices.end());
  if (rle) {
    TgaEncode(b, raw, 1);
  } else {
    b.insert(b.end(), raw.begin(), raw.end());
  }
  return b;
}

Bytes MakePnm(const Rgba& p, int kind, unsigned maxval) {
  std::string head = "P" + std::to_string(kind) + "\n# made by a test\n" + std::to_string(p.width) + " # width\n" +
                     std::to_string(p.height) + "\n";
  if (kind != 1 && kind != 4) head += std::to_string(maxval) + "\n";
  Bytes b(head.begin(), head.end());
  auto sample = [&](std::uint8_t v8) { return (v8 * maxval + 127) / 255; };
  for (int y = 0; y < p.height; ++y) {
    std::uint8_t bits = 0;
    int nbits = 0;
    for (int x = 0; x < p.width; ++x) {
      const TColor c = p.At(x, y);
      std::vector<unsigned> values;
      if (kind == 1 || kind == 4) {
        values.push_back(Red(c) < 128 ? 1 : 0);
      } else if (kind == 2 || kind == 5) {
        values.push_back(sample(Red(c)));
      } else {
        values = {sample(Red(c)), sample(Green(c)), sample(Blue(c))};
      }
      for (unsigned v : values) {
        if (kind == 4) {
          bits = static_cast<std::uint8_t>(bits << 1 | v);
          if (++nbits == 8) {
            b.push_back(bits);
            bits = 0;
            nbits = 0;
          }
        } else if (kind >= 5) {
          if (maxval > 255) b.push_back(static_cast<std::uint8_t>(v >> 8));
          b.push_back(static_cast<std::uint8_t>(v));
        } else {
          const std::string t = std::to_string(v) + (kind == 1 ? "" : " ");
          b.insert(b.end(), t.begin(), t.end());
        }
      }
    }
    if (kind == 4 && nbits > 0) b.push_back(static_cast<std::uint8_t>(bits << (8 - nbits)));
    if (kind < 4) b.push_back('\n');
  }
  return b;
}

Bytes MakeSgi(const Rgba& p, bool rle, int channels) {
  Bytes b;
  Put16BE(b, 474);
  b.push_back(rle ? 1 : 0);
  b.push_back(1);
  Put16BE(b, 3);
  Put16BE(b, p.width);
  Put16BE(b, p.height);
  Put16BE(b, channels);
  Put32BE(b, 0);
  Put32BE(b, 255);
  b.resize(512, 0);
  auto value = [&](int c, int x, int y) -> std::uint8_t {
    const TColor col = p.At(x, y);
    if (channels <= 2 && c == 0) return Red(col);
    if (c == channels - 1 && (channels == 2 || channels == 4)) return p.AlphaAt(x, y);
    return c == 0 ? Red(col) : c == 1 ? Green(col) : Blue(col);
  };
  std::vector<Bytes> rows;
  for (int c = 0; c < channels; ++c) {
    for (int fy = 0; fy < p.height; ++fy) {
      const int y = p.height - 1 - fy;
      Bytes row;
      if (!rle) {
        for (int x = 0; x < p.width; ++x) row.push_back(value(c, x, y));
      } else {
        for (int x = 0; x < p.width;) {
          int run = 1;
          while (x + run < p.width && run < 127 && value(c, x + run, y) == value(c, x, y)) ++run;
          if (run > 1) {
            row.push_back(static_cast<std::uint8_t>(run));
            row.push_back(value(c, x, y));
          } else {
            row.push_back(0x81);
            row.push_back(value(c, x, y));
          }
          x += run;
        }
        row.push_back(0);
      }
      rows.push_back(std::move(row));
    }
  }
  if (!rle) {
    for (const auto& r : rows) b.insert(b.end(), r.begin(), r.end());
    return b;
  }
  std::uint32_t offset = static_cast<std::uint32_t>(512 + rows.size() * 8);
  for (const auto& r : rows) {
    Put32BE(b, offset);
    offset += static_cast<std::uint32_t>(r.size());
  }
  for (const auto& r : rows) Put32BE(b, static_cast<std::uint32_t>(r.size()));
  for (const auto& r : rows) b.insert(b.end(), r.begin(), r.end());
  return b;
}

Bytes MakeJpeg(const Rgba& p, const JpegOptions& o) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(p.width);
  c.image_height = static_cast<JDIMENSION>(p.height);
  c.input_components = o.grayscale ? 1 : o.cmyk ? 4 : 3;
  c.in_color_space = o.grayscale ? JCS_GRAYSCALE : o.cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, o.quality, TRUE);
  if (o.cmyk) c.write_Adobe_marker = TRUE;
  if (o.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(p.width) * c.input_components);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const TColor col = p.At(x, y);
      if (o.grayscale) {
        row[x] = Red(col);
      } else if (o.cmyk) {
        // Adobe CMYK is stored inverted: 255 - ink, with no black ink.
        row[4 * x] = Red(col);
        row[4 * x + 1] = Green(col);
        row[4 * x + 2] = Blue(col);
        row[4 * x + 3] = 255;
      } else {
        row[3 * x] = Red(col);
        row[3 * x + 1] = Green(col);
        row[3 * x + 2] = Blue(col);
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  Bytes result(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return result;
}

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}

Bytes WritePng(int width, int height, int colorType, int bitDepth, bool interlace,
               const std::vector<png_color>& palette, const std::vector<png_byte>& trans, const png_color_16* transColor,
               const std::vector<Bytes>& rows) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png encode failed");
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, width, height, bitDepth, colorType, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!trans.empty() || transColor != nullptr) {
    png_set_tRNS(png, info, trans.empty() ? nullptr : trans.data(), static_cast<int>(trans.size()),
                 const_cast<png_color_16*>(transColor));
  }
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const auto& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

Bytes MakePng(const Rgba& p, const PngOptions& o) {
  std::vector<Bytes> rows;
  const bool sixteen = o.bitDepth == 16;
  for (int y = 0; y < p.height; ++y) {
    Bytes row;
    auto put = [&](std::uint8_t v) {
      row.push_back(v);
      if (sixteen) row.push_back(v);  // v * 257: scales back to v exactly
    };
    unsigned acc = 0;
    int nbits = 0;
    for (int x = 0; x < p.width; ++x) {
      const TColor c = p.At(x, y);
      switch (o.colorType) {
        case PNG_COLOR_TYPE_GRAY:
          if (o.bitDepth < 8) {
            acc = acc << o.bitDepth | (Red(c) >> (8 - o.bitDepth));
            nbits += o.bitDepth;
            if (nbits == 8) {
              row.push_back(static_cast<std::uint8_t>(acc));
              acc = 0;
              nbits = 0;
            }
          } else {
            put(Red(c));
          }
          break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
          put(Red(c));
          put(p.AlphaAt(x, y));
          break;
        case PNG_COLOR_TYPE_RGB:
          put(Red(c));
          put(Green(c));
          put(Blue(c));
          break;
        default:
          put(Red(c));
          put(Green(c));
          put(Blue(c));
          put(p.AlphaAt(x, y));
          break;
      }
    }
    if (nbits > 0) row.push_back(static_cast<std::uint8_t>(acc << (8 - nbits)));
    rows.push_back(std::move(row));
  }
  png_color_16 trans{};
  const png_color_16* transColor = nullptr;
  if (o.tRNS) {
    // The first transparent pixel's colour becomes the transparent colour.
    for (std::size_t i = 0; i < p.color.size() && transColor == nullptr; ++i) {
      if (!p.alpha.empty() && p.alpha[i] == 0) {
        const int scale = sixteen ? 257 : 1;
        const int shift = o.colorType == PNG_COLOR_TYPE_GRAY && o.bitDepth < 8 ? 8 - o.bitDepth : 0;
        trans.gray = static_cast<png_uint_16>((Red(p.color[i]) >> shift) * scale);
        trans.red = static_cast<png_uint_16>(Red(p.color[i]) * scale);
        trans.green = static_cast<png_uint_16>(Green(p.color[i]) * scale);
        trans.blue = static_cast<png_uint_16>(Blue(p.color[i]) * scale);
        transColor = &trans;
      }
    }
  }
  return WritePng(p.width, p.height, o.colorType, o.bitDepth, o.interlace, {}, {}, transColor, rows);
}

Bytes MakePngIndexed(const Indexed& p, int bitDepth, bool transparentFirst) {
  std::vector<png_color> palette;
  for (TColor c : p.palette) palette.push_back({Red(c), Green(c), Blue(c)});
  std::vector<png_byte> trans;
  if (transparentFirst) trans.push_back(0);
  std::vector<Bytes> rows;
  for (int y = 0; y < p.height; ++y) {
    Bytes row;
    unsigned acc = 0;
    int nbits = 0;
    for (int x = 0; x < p.width; ++x) {
      acc = acc << bitDepth | p.indices[static_cast<std::size_t>(y) * p.width + x];
      nbits += bitDepth;
      if (nbits == 8) {
        row.push_back(static_cast<std::uint8_t>(acc));
        acc = 0;
        nbits = 0;
      }
    }
    if (nbits > 0) row.push_back(static_cast<std::uint8_t>(acc << (8 - nbits)));
    rows.push_back(std::move(row));
  }
  return WritePng(p.width, p.height, PNG_COLOR_TYPE_PALETTE, bitDepth, false, palette, trans, nullptr, rows);
}

namespace {

int GifWriteFn(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

ColorMapObject* MakeMap(const std::vector<TColor>& colors) {
  int size = 2;
  while (size < static_cast<int>(colors.size())) size *= 2;
  std::vector<GifColorType> c(size, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < colors.size(); ++i) c[i] = {Red(colors[i]), Green(colors[i]), Blue(colors[i])};
  return GifMakeMapObject(size, c.data());
}

}  // namespace

Bytes MakeGif(int screenWidth, int screenHeight, const std::vector<TColor>& globalMap, int background,
              const std::vector<GifFrame>& frames) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifWriteFn, &error);
  if (gif == nullptr) throw std::runtime_error("EGifOpen failed");
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = globalMap.empty() ? nullptr : MakeMap(globalMap);
  EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, background, global);
  GifFreeMapObject(global);
  for (const auto& f : frames) {
    if (f.transparent >= 0 || frames.size() > 1) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
      gcb.DelayTime = 10;
      gcb.TransparentColor = f.transparent >= 0 ? f.transparent : NO_TRANSPARENT_COLOR;
      GifByteType ext[4];
      const size_t n = EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    }
    ColorMapObject* local = f.localMap ? MakeMap(f.picture.palette) : nullptr;
    EGifPutImageDesc(gif, f.left, f.top, f.picture.width, f.picture.height, f.interlace, local);
    GifFreeMapObject(local);
    std::vector<int> order;
    if (f.interlace) {
      const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < f.picture.height; y += step[pass]) order.push_back(y);
      }
    } else {
      for (int y = 0; y < f.picture.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(f.picture.indices.begin() + static_cast<std::ptrdiff_t>(y) * f.picture.width,
                                     f.picture.indices.begin() + static_cast<std::ptrdiff_t>(y + 1) * f.picture.width);
      EGifPutLine(gif, line.data(), f.picture.width);
    }
  }
  EGifCloseFile(gif, &error);
  return out;
}

namespace {

struct TiffMem {
  Bytes data;
  std::uint64_t pos = 0;
};
tmsize_t TRead(thandle_t h, void* b, tmsize_t n) {
  auto* m = static_cast<TiffMem*>(h);
  const std::uint64_t k = std::min<std::uint64_t>(n, m->pos < m->data.size() ? m->data.size() - m->pos : 0);
  std::memcpy(b, m->data.data() + m->pos, k);
  m->pos += k;
  return static_cast<tmsize_t>(k);
}
tmsize_t TWrite(thandle_t h, void* b, tmsize_t n) {
  auto* m = static_cast<TiffMem*>(h);
  if (m->pos + n > m->data.size()) m->data.resize(m->pos + n);
  std::memcpy(m->data.data() + m->pos, b, n);
  m->pos += n;
  return n;
}
toff_t TSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<TiffMem*>(h);
  if (whence == SEEK_SET) m->pos = off;
  else if (whence == SEEK_CUR) m->pos += off;
  else m->pos = m->data.size() + off;
  return m->pos;
}
int TClose(thandle_t) { return 0; }
toff_t TSize(thandle_t h) { return static_cast<TiffMem*>(h)->data.size(); }
int TMap(thandle_t, void**, toff_t*) { return 0; }
void TUnmap(thandle_t, void*, toff_t) {}

}  // namespace

Bytes MakeTiff(const Rgba& p, bool withAlpha, int compression) {
  TiffMem mem;
  TIFF* t = TIFFClientOpen("test", "w", &mem, TRead, TWrite, TSeek, TClose, TSize, TMap, TUnmap);
  const int spp = withAlpha ? 4 : 3;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, p.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, p.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
  if (withAlpha) {
    const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  std::vector<std::uint8_t> row(static_cast<std::size_t>(p.width) * spp);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const TColor c = p.At(x, y);
      row[spp * x] = Red(c);
      row[spp * x + 1] = Green(c);
      row[spp * x + 2] = Blue(c);
      if (withAlpha) row[spp * x + 3] = p.AlphaAt(x, y);
    }
    TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0);
  }
  TIFFClose(t);
  return mem.data;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

}  // namespace kestro::testing
