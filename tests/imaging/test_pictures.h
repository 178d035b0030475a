#pragma once

// Picture files made in the tests: hand-written bytes for the formats we
// decode ourselves, the libraries' own encoders for JPEG, PNG, GIF and TIFF.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/pixels.h"

namespace kestro::testing {

using Bytes = std::vector<std::uint8_t>;

// An RGBA test image; colours as 0x00BBGGRR like TColor.
struct Rgba {
  int width = 0;
  int height = 0;
  std::vector<TColor> color;
  std::vector<std::uint8_t> alpha;  // empty: opaque

  TColor At(int x, int y) const { return color[static_cast<std::size_t>(y) * width + x]; }
  std::uint8_t AlphaAt(int x, int y) const {
    return alpha.empty() ? 255 : alpha[static_cast<std::size_t>(y) * width + x];
  }
};

// A pattern with a different colour in every pixel.
Rgba Gradient(int width, int height);
// A pattern of `colors` palette colours; index of (x, y) in `indices`.
struct Indexed {
  int width = 0;
  int height = 0;
  std::vector<TColor> palette;
  std::vector<std::uint8_t> indices;
  TColor At(int x, int y) const { return palette[indices[static_cast<std::size_t>(y) * width + x]]; }
  Rgba ToRgba() const;
};
Indexed Palettized(int width, int height, int colors);

// The decoded pixels equal `expected` exactly (colour only).
::testing::AssertionResult SamePixels(const Bitmap24& actual, const Rgba& expected);
// Every colour channel within `tolerance`.
::testing::AssertionResult NearPixels(const Bitmap24& actual, const Rgba& expected, int tolerance);

// 16x16 blocks of flat colour; JPEG keeps their inner pixels within a few
// levels (the edges take some of the neighbour's chroma).
Rgba JpegBlocks();
// Like NearPixels, for the inner 8x8 pixels of every 16x16 block only.
::testing::AssertionResult NearInside(const Bitmap24& actual, const Rgba& expected, int tolerance);

// --- Windows bitmaps ---------------------------------------------------
struct BmpOptions {
  int bitCount = 24;         // 1, 4, 8 use the indexed image; 16, 24, 32 the colours
  int headerSize = 40;       // 12 (core), 40, 108, 124
  bool topDown = false;
  bool bitFields565 = false; // 16-bit 5-6-5 through BI_BITFIELDS
  bool rle = false;          // BI_RLE8 / BI_RLE4 for 8 / 4 bits
  bool fileHeader = true;
};
Bytes MakeBmp(const Indexed& picture, const BmpOptions& options);
Bytes MakeBmp(const Rgba& picture, const BmpOptions& options);

// --- Icons -------------------------------------------------------------
struct IconImage {
  Bytes data;  // a DIB (header, colours, mask) or a PNG
  int width;
  int height;
  int bitCount;
};
// A 32-bit icon image (alpha from the picture) or a 24-bit one whose mask
// marks pixels of alpha 0.
IconImage MakeIconDib(const Rgba& picture, int bitCount);
IconImage MakeIconPng(const Rgba& picture);
Bytes MakeIco(const std::vector<IconImage>& images);

// --- Others of our own -------------------------------------------------
Bytes MakePcx8(const Indexed& picture, bool rle);
Bytes MakePcx24(const Rgba& picture);
Bytes MakePcxPlanar(const Indexed& picture, int planes);  // 1 bit per plane, header palette
Bytes MakePcxMono(const Indexed& picture);                // 2 colours: black, white

struct TgaOptions {
  int type = 2;        // 1, 2, 3, 9, 10, 11
  int depth = 24;      // 8, 15, 16, 24, 32
  bool topDown = false;
  bool rightToLeft = false;
  int alphaBits = 0;
};
Bytes MakeTga(const Rgba& picture, const TgaOptions& options);
Bytes MakeTgaMapped(const Indexed& picture, bool rle);

Bytes MakePnm(const Rgba& picture, int kind, unsigned maxval);  // kind 1..6
Bytes MakeSgi(const Rgba& picture, bool rle, int channels);

// --- Library encoders --------------------------------------------------
struct JpegOptions {
  int quality = 95;
  bool progressive = false;
  bool grayscale = false;
  bool cmyk = false;      // written as Adobe (inverted) CMYK
};
Bytes MakeJpeg(const Rgba& picture, const JpegOptions& options);

struct PngOptions {
  int colorType = 6;   // PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlace = false;
  bool tRNS = false;   // palette / grey / RGB transparency from alpha 0
};
Bytes MakePng(const Rgba& picture, const PngOptions& options);
Bytes MakePngIndexed(const Indexed& picture, int bitDepth, bool transparentFirst);

struct GifFrame {
  Indexed picture;
  int left = 0;
  int top = 0;
  int transparent = -1;
  bool interlace = false;
  bool localMap = false;
};
Bytes MakeGif(int screenWidth, int screenHeight, const std::vector<TColor>& globalMap, int background,
              const std::vector<GifFrame>& frames);

Bytes MakeTiff(const Rgba& picture, bool withAlpha, int compression);

// --- Files ---------------------------------------------------------------
void WriteFile(const std::string& path, const Bytes& data);

}  // namespace kestro::testing
