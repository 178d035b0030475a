// Each decoder against pictures made here with known pixels.

#include <cstdlib>
#include <set>

#include <png.h>
#include <tiffio.h>

#include <gtest/gtest.h>

#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "test_pictures.h"

namespace kestro::imaging {
namespace {

using namespace kestro::testing;

ByteSpan Span(const Bytes& b) { return {b.data(), b.size()}; }

// Pictures with a transparent corner and a half-transparent pixel.
Rgba WithAlpha(Rgba p) {
  p.alpha.assign(p.color.size(), 255);
  p.alpha[0] = 0;
  p.alpha[1] = 0;
  p.alpha[static_cast<std::size_t>(p.width) + 2] = 128;
  return p;
}

void ExpectAlpha(const DecodedImage& image, const Rgba& expected) {
  ASSERT_EQ(image.alpha.size(), expected.color.size());
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      EXPECT_EQ(image.alpha[static_cast<std::size_t>(y) * expected.width + x], expected.AlphaAt(x, y))
          << "at " << x << "," << y;
    }
  }
}

// Colour of the pixels that are not transparent.
::testing::AssertionResult SameOpaquePixels(const DecodedImage& image, const Rgba& expected) {
  Rgba masked = expected;
  for (std::size_t i = 0; i < masked.color.size(); ++i) {
    if (!expected.alpha.empty() && expected.alpha[i] == 0) {
      const int x = static_cast<int>(i % expected.width), y = static_cast<int>(i / expected.width);
      masked.color[i] = image.pixels.GetPixel(x, y);
    }
  }
  return SamePixels(image.pixels, masked);
}

TEST(BmpDecoder, IndexedDepthsAndLayouts) {
  for (int bits : {1, 4, 8}) {
    const Indexed p = Palettized(13, 7, bits == 1 ? 2 : bits == 4 ? 16 : 200);
    for (int header : {12, 40, 108, 124}) {
      for (bool topDown : {false, true}) {
        if (header == 12 && topDown) continue;
        const Bytes file = MakeBmp(p, BmpOptions{bits, header, topDown});
        SCOPED_TRACE(::testing::Message() << bits << " bits, header " << header << (topDown ? " top-down" : ""));
        const DecodedImage image = DecodeBMP(Span(file));
        EXPECT_TRUE(SamePixels(image.pixels, p.ToRgba()));
        EXPECT_FALSE(image.HasAlpha());
      }
    }
  }
}

TEST(BmpDecoder, TrueColourDepthsAndBitFields) {
  const Rgba p = Gradient(11, 6);
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{24}))).pixels, p));
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{24, 40, true}))).pixels, p));
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{24, 12}))).pixels, p));
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{32}))).pixels, p));
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{32, 124}))).pixels, p));
  // 5-bit and 6-bit channels come back scaled to the full range.
  EXPECT_TRUE(NearPixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{16}))).pixels, p, 8));
  EXPECT_TRUE(NearPixels(DecodeBMP(Span(MakeBmp(p, BmpOptions{16, 40, false, true}))).pixels, p, 8));
  const DecodedImage white = DecodeBMP(Span(MakeBmp(Rgba{1, 1, {0xFFFFFF}, {}}, BmpOptions{16, 40, false, true})));
  EXPECT_EQ(white.pixels.GetPixel(0, 0), 0xFFFFFFu);
}

TEST(BmpDecoder, RunLengthCodedAndBareDib) {
  const Indexed p16 = Palettized(21, 9, 16);
  const Indexed p256 = Palettized(21, 9, 160);
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p16, BmpOptions{4, 40, false, false, true}))).pixels, p16.ToRgba()));
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p256, BmpOptions{8, 40, false, false, true}))).pixels, p256.ToRgba()));
  BmpOptions bare{8};
  bare.fileHeader = false;
  EXPECT_TRUE(SamePixels(DecodeBMP(Span(MakeBmp(p256, bare))).pixels, p256.ToRgba()));
}

TEST(BmpDecoder, RleDeltaLeavesSkippedPixelsAtColourZero) {
  Indexed p = Palettized(4, 3, 4);
  Bytes file = MakeBmp(p, BmpOptions{8, 40, false, false, true});
  // Replace the pixel data by: delta (1, 1), run of 2 of index 3, end of bitmap.
  const std::size_t bits = file[10];
  file.resize(bits);
  for (std::uint8_t b : {0, 2, 1, 1, 2, 3, 0, 1}) file.push_back(b);
  const DecodedImage image = DecodeBMP(Span(file));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool painted = y == 1 && (x == 1 || x == 2);  // row 1 from the bottom of 3
      EXPECT_EQ(image.pixels.GetPixel(x, y), p.palette[painted ? 3 : 0]) << x << "," << y;
    }
  }
}

TEST(IcoDecoder, PicksTheLargestDeepestImageWithItsMask) {
  const Rgba small = WithAlpha(Gradient(8, 8));
  const Rgba large = WithAlpha(Gradient(16, 16));
  // The 24-bit image's mask makes alpha 0 and 255 only; the 32-bit one keeps 128.
  const Bytes file = MakeIco({MakeIconDib(small, 32), MakeIconDib(large, 24), MakeIconDib(large, 32)});
  const DecodedImage image = DecodeICO(Span(file));
  EXPECT_TRUE(SameOpaquePixels(image, large));
  ExpectAlpha(image, large);

  const Bytes maskOnly = MakeIco({MakeIconDib(large, 24)});
  const DecodedImage masked = DecodeICO(Span(maskOnly));
  ASSERT_TRUE(masked.HasAlpha());
  EXPECT_EQ(masked.alpha[0], 0);
  EXPECT_EQ(masked.alpha[static_cast<std::size_t>(large.width) + 2], 255);
}

TEST(IcoDecoder, PngCompressedImage) {
  const Rgba big = WithAlpha(Gradient(40, 40));
  const Bytes file = MakeIco({MakeIconDib(Gradient(16, 16), 32), MakeIconPng(big)});
  const DecodedImage image = DecodeICO(Span(file));
  EXPECT_TRUE(SameOpaquePixels(image, big));
  ExpectAlpha(image, big);
}

TEST(IcoDecoder, ThirtyTwoBitImageWithoutAlphaUsesTheMask) {
  Rgba p = WithAlpha(Gradient(8, 8));
  IconImage img = MakeIconDib(p, 32);
  // Clear every alpha byte: the writer meant the mask.
  for (int i = 0; i < 64; ++i) img.data[40 + 4 * i + 3] = 0;
  const DecodedImage image = DecodeICO(Span(MakeIco({img})));
  ASSERT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.alpha[0], 0);
  EXPECT_EQ(image.alpha[10], 255);
}

TEST(PcxDecoder, AllLayouts) {
  const Indexed p256 = Palettized(17, 6, 90);
  EXPECT_TRUE(SamePixels(DecodePCX(Span(MakePcx8(p256, true))).pixels, p256.ToRgba()));
  EXPECT_TRUE(SamePixels(DecodePCX(Span(MakePcx8(p256, false))).pixels, p256.ToRgba()));
  const Rgba rgb = Gradient(13, 5);
  EXPECT_TRUE(SamePixels(DecodePCX(Span(MakePcx24(rgb))).pixels, rgb));
  const Indexed p16 = Palettized(19, 4, 16);
  EXPECT_TRUE(SamePixels(DecodePCX(Span(MakePcxPlanar(p16, 4))).pixels, p16.ToRgba()));
  const Indexed p8 = Palettized(19, 4, 8);
  EXPECT_TRUE(SamePixels(DecodePCX(Span(MakePcxPlanar(p8, 3))).pixels, p8.ToRgba()));
  Indexed mono = Palettized(21, 3, 2);
  mono.palette = {0x000000, 0xFFFFFF};
  EXPECT_TRUE(SamePixels(DecodePCX(Span(MakePcxMono(mono))).pixels, mono.ToRgba()));
}

TEST(TargaDecoder, TypesDepthsAndOrigins) {
  const Rgba p = Gradient(9, 5);
  for (int type : {2, 10}) {
    for (bool topDown : {false, true}) {
      for (bool rtl : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "type " << type << " top " << topDown << " rtl " << rtl);
        TgaOptions o{type, 24, topDown, rtl};
        EXPECT_TRUE(SamePixels(DecodeTarga(Span(MakeTga(p, o))).pixels, p));
      }
    }
  }
  EXPECT_TRUE(NearPixels(DecodeTarga(Span(MakeTga(p, TgaOptions{2, 15}))).pixels, p, 8));
  const Indexed mapped = Palettized(10, 6, 30);
  EXPECT_TRUE(SamePixels(DecodeTarga(Span(MakeTgaMapped(mapped, false))).pixels, mapped.ToRgba()));
  EXPECT_TRUE(SamePixels(DecodeTarga(Span(MakeTgaMapped(mapped, true))).pixels, mapped.ToRgba()));
  Rgba grey = p;
  for (TColor& c : grey.color) c = imaging::RGB(imaging::Red(c), imaging::Red(c), imaging::Red(c));
  EXPECT_TRUE(SamePixels(DecodeTarga(Span(MakeTga(grey, TgaOptions{3, 8}))).pixels, grey));
  EXPECT_TRUE(SamePixels(DecodeTarga(Span(MakeTga(grey, TgaOptions{11, 8}))).pixels, grey));
}

TEST(TargaDecoder, AlphaOnlyWhenDeclaredAndUsed) {
  const Rgba p = WithAlpha(Gradient(6, 4));
  const DecodedImage with = DecodeTarga(Span(MakeTga(p, TgaOptions{2, 32, true, false, 8})));
  EXPECT_TRUE(SamePixels(with.pixels, p));
  ExpectAlpha(with, p);
  // No alpha bits in the descriptor: the fourth byte is not alpha.
  EXPECT_FALSE(DecodeTarga(Span(MakeTga(p, TgaOptions{2, 32, true, false, 0}))).HasAlpha());
  // Alpha declared but all zero: a writer that meant none.
  Rgba clear = p;
  clear.alpha.assign(clear.color.size(), 0);
  EXPECT_FALSE(DecodeTarga(Span(MakeTga(clear, TgaOptions{10, 32, false, false, 8}))).HasAlpha());
  const DecodedImage one = DecodeTarga(Span(MakeTga(p, TgaOptions{2, 16, false, false, 1})));
  ASSERT_TRUE(one.HasAlpha());
  EXPECT_EQ(one.alpha[0], 0);
  EXPECT_EQ(one.alpha[5], 255);
}

TEST(PnmDecoder, AllSixKinds) {
  Rgba p = Gradient(10, 4);
  Rgba grey = p;
  for (TColor& c : grey.color) c = imaging::RGB(imaging::Red(c), imaging::Red(c), imaging::Red(c));
  Rgba bw = p;
  for (TColor& c : bw.color) c = imaging::Red(c) < 128 ? 0 : 0xFFFFFF;
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(bw, 1, 1))).pixels, bw));
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(bw, 4, 1))).pixels, bw));
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(grey, 2, 255))).pixels, grey));
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(grey, 5, 255))).pixels, grey));
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(p, 3, 255))).pixels, p));
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(p, 6, 255))).pixels, p));
  EXPECT_TRUE(SamePixels(DecodePNM(Span(MakePnm(p, 6, 65535))).pixels, p));
  EXPECT_TRUE(NearPixels(DecodePNM(Span(MakePnm(p, 3, 1000))).pixels, p, 1));
  EXPECT_TRUE(NearPixels(DecodePNM(Span(MakePnm(grey, 5, 15))).pixels, grey, 9));
}

TEST(PnmDecoder, PlainBitmapDigitsNeedNoSpaces) {
  const std::string text = "P1 3 2\n011\n1 0 0";
  const DecodedImage image = DecodePNM(ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(image.pixels.GetPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(image.pixels.GetPixel(1, 0), 0u);
  EXPECT_EQ(image.pixels.GetPixel(0, 1), 0u);
  EXPECT_EQ(image.pixels.GetPixel(2, 1), 0xFFFFFFu);
}

TEST(SgiDecoder, VerbatimAndRunLength) {
  const Rgba p = WithAlpha(Gradient(9, 5));
  for (bool rle : {false, true}) {
    const DecodedImage rgb = DecodeSGI(Span(MakeSgi(p, rle, 3)));
    EXPECT_TRUE(SamePixels(rgb.pixels, p));
    EXPECT_FALSE(rgb.HasAlpha());
    const DecodedImage rgba = DecodeSGI(Span(MakeSgi(p, rle, 4)));
    EXPECT_TRUE(SamePixels(rgba.pixels, p));
    ExpectAlpha(rgba, p);
  }
}

TEST(JpegDecoder, BaselineProgressiveGreyAndCmyk) {
  const Rgba p = JpegBlocks();
  EXPECT_TRUE(NearInside(DecodeJPEG(Span(MakeJpeg(p, {})), JpegOutput::kTrueColor).pixels, p, 6));
  EXPECT_TRUE(NearInside(DecodeJPEG(Span(MakeJpeg(p, JpegOptions{95, true})), JpegOutput::kTrueColor).pixels, p, 6));
  EXPECT_TRUE(NearInside(DecodeJPEG(Span(MakeJpeg(p, JpegOptions{95, false, false, true})), JpegOutput::kTrueColor).pixels, p, 6));
  Rgba grey = p;
  for (TColor& c : grey.color) c = imaging::RGB(imaging::Red(c), imaging::Red(c), imaging::Red(c));
  EXPECT_TRUE(NearInside(DecodeJPEG(Span(MakeJpeg(grey, JpegOptions{95, false, true})), JpegOutput::kTrueColor).pixels, grey, 3));
}

TEST(JpegDecoder, PaletteOutputHasAtMost256Colours) {
  const Rgba p = Gradient(64, 48);
  const Bytes file = MakeJpeg(p, {});
  const DecodedImage full = DecodeJPEG(Span(file), JpegOutput::kTrueColor);
  const DecodedImage pal = DecodeJPEG(Span(file), JpegOutput::kPalette);
  std::set<TColor> fullColours, palColours;
  long long error = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      fullColours.insert(full.pixels.GetPixel(x, y));
      palColours.insert(pal.pixels.GetPixel(x, y));
      for (int shift = 0; shift < 24; shift += 8) {
        error += std::abs(static_cast<int>((full.pixels.GetPixel(x, y) >> shift) & 255) -
                          static_cast<int>((pal.pixels.GetPixel(x, y) >> shift) & 255));
      }
    }
  }
  EXPECT_GT(fullColours.size(), 256u);
  EXPECT_LE(palColours.size(), 256u);
  EXPECT_LT(error / (64 * 48 * 3), 16);  // close to the full-colour picture on average
}

TEST(PngDecoder, ColourTypesDepthsAndInterlace) {
  const Rgba p = WithAlpha(Gradient(13, 9));
  const DecodedImage rgba = DecodePNG(Span(MakePng(p, {})));
  EXPECT_TRUE(SamePixels(rgba.pixels, p));
  ExpectAlpha(rgba, p);
  const DecodedImage rgba16i = DecodePNG(Span(MakePng(p, PngOptions{6, 16, true})));
  EXPECT_TRUE(SamePixels(rgba16i.pixels, p));
  ExpectAlpha(rgba16i, p);
  const DecodedImage rgb = DecodePNG(Span(MakePng(p, PngOptions{PNG_COLOR_TYPE_RGB, 8, true})));
  EXPECT_TRUE(SamePixels(rgb.pixels, p));
  EXPECT_FALSE(rgb.HasAlpha());

  Rgba grey = p;
  for (TColor& c : grey.color) c = imaging::RGB(imaging::Red(c), imaging::Red(c), imaging::Red(c));
  EXPECT_TRUE(SamePixels(DecodePNG(Span(MakePng(grey, PngOptions{PNG_COLOR_TYPE_GRAY, 16}))).pixels, grey));
  const DecodedImage ga = DecodePNG(Span(MakePng(grey, PngOptions{PNG_COLOR_TYPE_GRAY_ALPHA, 8})));
  EXPECT_TRUE(SamePixels(ga.pixels, grey));
  ExpectAlpha(ga, grey);
  // 2-bit grey: levels 0, 85, 170, 255.
  const DecodedImage g2 = DecodePNG(Span(MakePng(grey, PngOptions{PNG_COLOR_TYPE_GRAY, 2})));
  EXPECT_EQ(g2.pixels.GetPixel(0, 0) & 0xFF, (imaging::Red(grey.At(0, 0)) >> 6) * 85u);
}

TEST(PngDecoder, TransparencyChunk) {
  Rgba p = Gradient(7, 5);
  p.alpha.assign(p.color.size(), 255);
  p.alpha[3] = 0;
  const DecodedImage rgb = DecodePNG(Span(MakePng(p, PngOptions{PNG_COLOR_TYPE_RGB, 8, false, true})));
  ASSERT_TRUE(rgb.HasAlpha());
  EXPECT_EQ(rgb.alpha[3], 0);
  EXPECT_EQ(rgb.alpha[4], 255);

  const Indexed idx = Palettized(9, 4, 4);
  const DecodedImage pal = DecodePNG(Span(MakePngIndexed(idx, 2, true)));
  EXPECT_TRUE(SamePixels(pal.pixels, idx.ToRgba()));
  ASSERT_TRUE(pal.HasAlpha());
  for (std::size_t i = 0; i < idx.indices.size(); ++i) EXPECT_EQ(pal.alpha[i], idx.indices[i] == 0 ? 0 : 255);
  EXPECT_FALSE(DecodePNG(Span(MakePngIndexed(Palettized(9, 4, 16), 4, false))).HasAlpha());
}

TEST(GifDecoder, FirstFrameOnItsLogicalScreen) {
  const std::vector<TColor> global = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456};
  Indexed frame = Palettized(4, 3, 4);
  frame.palette = global;
  frame.indices[0] = 3;  // transparent
  Indexed second = frame;
  second.indices.assign(second.indices.size(), 0);
  const Bytes file = MakeGif(10, 8, global, 2, {GifFrame{frame, 5, 4, 3}, GifFrame{second, 0, 0}});
  const DecodedImage image = DecodeGIF(Span(file));
  ASSERT_EQ(image.Width(), 10);
  ASSERT_EQ(image.Height(), 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 5 && x < 9 && y >= 4 && y < 7;
      TColor expected = global[2];  // the background colour
      if (inside && frame.indices[static_cast<std::size_t>(y - 4) * 4 + (x - 5)] != 3) expected = frame.At(x - 5, y - 4);
      EXPECT_EQ(image.pixels.GetPixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST(GifDecoder, InterlacedLocalMapAndClippedFrame) {
  Indexed frame = Palettized(6, 11, 5);
  const Bytes inter = MakeGif(6, 11, {0, 0xFFFFFF}, 0, {GifFrame{frame, 0, 0, -1, true, true}});
  EXPECT_TRUE(SamePixels(DecodeGIF(Span(inter)).pixels, frame.ToRgba()));

  // A frame reaching past the screen is clipped to it.
  const Bytes clipped = MakeGif(4, 4, {0x111111, 0x222222}, 1, {GifFrame{frame, 2, 1, -1, false, true}});
  const DecodedImage c = DecodeGIF(Span(clipped));
  ASSERT_EQ(c.Width(), 4);
  ASSERT_EQ(c.Height(), 4);
  EXPECT_EQ(c.pixels.GetPixel(0, 0), 0x222222u);
  EXPECT_EQ(c.pixels.GetPixel(3, 3), frame.At(1, 2));

  // A frame wholly outside still gives the screen.
  const Bytes outside = MakeGif(4, 4, {0x111111, 0x222222}, 0, {GifFrame{frame, 40, 40, -1, false, true}});
  const DecodedImage o = DecodeGIF(Span(outside));
  ASSERT_EQ(o.Width(), 4);
  EXPECT_EQ(o.pixels.GetPixel(3, 3), 0x111111u);
}

TEST(GifDecoder, VersionAndEmptyFile) {
  Bytes file = MakeGif(2, 2, {0, 0xFFFFFF}, 0, {GifFrame{Palettized(2, 2, 2)}});
  file[4] = '8';
  file[5] = 'b';
  try {
    DecodeGIF(Span(file));
    FAIL() << "no error";
  } catch (const EGIFError& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
  const Bytes none = MakeGif(2, 2, {0, 0xFFFFFF}, 0, {});
  EXPECT_THROW(DecodeGIF(Span(none)), EGIFError);
}

TEST(TiffDecoder, PlainCompressedAndAlpha) {
  const Rgba p = WithAlpha(Gradient(12, 7));
  for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
    SCOPED_TRACE(compression);
    const DecodedImage rgb = DecodeTIFF(Span(MakeTiff(p, false, compression)));
    EXPECT_TRUE(SamePixels(rgb.pixels, p));
    EXPECT_FALSE(rgb.HasAlpha());
  }
  const DecodedImage rgba = DecodeTIFF(Span(MakeTiff(p, true, COMPRESSION_LZW)));
  ExpectAlpha(rgba, p);
  // Premultiplied by libtiff and back: the half-transparent pixel may be off by a little.
  EXPECT_TRUE(NearPixels(rgba.pixels, [&] {
    Rgba q = p;
    q.color[0] = rgba.pixels.GetPixel(0, 0);
    q.color[1] = rgba.pixels.GetPixel(1, 0);
    return q;
  }(), 2));
}

TEST(DecoderLimits, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  // A bitmap header claiming 100000 x 100000 pixels in a tiny file.
  Bytes bmp = MakeBmp(Gradient(2, 2), BmpOptions{24});
  bmp[18] = 0xA0; bmp[19] = 0x86; bmp[20] = 0x01; bmp[21] = 0;  // width 100000
  bmp[22] = 0xA0; bmp[23] = 0x86; bmp[24] = 0x01; bmp[25] = 0;
  EXPECT_THROW(DecodeBMP(Span(bmp)), EInvalidGraphic);
  // 16000 x 16000 is within the side limit but over the pixel limit.
  const std::string pnm = "P6 16000 16000 255\n";
  EXPECT_THROW(DecodePNM(ByteSpan(reinterpret_cast<const std::uint8_t*>(pnm.data()), pnm.size())), EInvalidGraphic);
  // A Targa run-length file of 16384 x 6000 with a few bytes of data.
  Bytes tga = MakeTga(Gradient(2, 2), TgaOptions{10, 24});
  tga[12] = 0x00; tga[13] = 0x40; tga[14] = 0x70; tga[15] = 0x17;
  EXPECT_THROW(DecodeTarga(Span(tga)), EInvalidGraphic);
}

TEST(DecoderLimits, LoweredLimitsApplyToEveryDecoder) {
  SetPictureLimits({8, 42});
  const Rgba wide = Gradient(9, 1), square = Gradient(7, 6), many = Gradient(8, 6);
  EXPECT_THROW(DecodeBMP(Span(MakeBmp(wide, BmpOptions{24}))), EInvalidGraphic);
  EXPECT_THROW(DecodePNG(Span(MakePng(wide, {}))), EInvalidGraphic);
  EXPECT_THROW(DecodeTarga(Span(MakeTga(many, {}))), EInvalidGraphic);  // 48 pixels
  EXPECT_THROW(DecodeJPEG(Span(MakeJpeg(many, {})), JpegOutput::kTrueColor), EInvalidGraphic);
  EXPECT_NO_THROW(DecodePNG(Span(MakePng(square, {}))));
  EXPECT_NO_THROW(DecodeTIFF(Span(MakeTiff(square, false, COMPRESSION_NONE))));
  SetPictureLimits({});
  EXPECT_NO_THROW(DecodeTarga(Span(MakeTga(many, {}))));
}

}  // namespace
}  // namespace kestro::imaging
