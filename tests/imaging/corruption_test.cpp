// Damaged files: every truncation and a run of random byte changes of a
// valid file of each format give a decoded picture or one of our errors,
// never a crash or a foreign exception.

#include <functional>
#include <random>
#include <regex>

#include <tiffio.h>

#include <gtest/gtest.h>

#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "test_pictures.h"

namespace kestro::imaging {
namespace {

using namespace kestro::testing;
using Decoder = std::function<DecodedImage(ByteSpan)>;

struct Sample {
  const char* name;
  Bytes data;
  Decoder decode;
  // Bytes at the end whose loss the format cannot notice (padding, an end
  // marker read only after the picture is complete).
  std::size_t tolerantTail;
};

std::vector<Sample> Samples() {
  const Rgba p = Gradient(11, 7);
  const Indexed idx = Palettized(11, 7, 16);
  Rgba alpha = p;
  alpha.alpha.assign(p.color.size(), 255);
  alpha.alpha[0] = 0;
  auto jpeg = [](ByteSpan d) { return DecodeJPEG(d, JpegOutput::kTrueColor); };
  Indexed gifFrame = Palettized(11, 7, 8);
  return {
      {"bmp24", MakeBmp(p, BmpOptions{24}), DecodeBMP, 3},
      {"bmp4", MakeBmp(idx, BmpOptions{4}), DecodeBMP, 2},
      {"bmp-rle4", MakeBmp(idx, BmpOptions{4, 40, false, false, true}), DecodeBMP, 5},
      {"bmp-rle8", MakeBmp(Palettized(11, 7, 100), BmpOptions{8, 40, false, false, true}), DecodeBMP, 5},
      {"bmp-core", MakeBmp(idx, BmpOptions{4, 12}), DecodeBMP, 2},
      {"ico", MakeIco({MakeIconDib(alpha, 24), MakeIconDib(Gradient(4, 4), 32)}), DecodeICO, 0},
      {"ico-png", MakeIco({MakeIconPng(alpha)}), DecodeICO, 0},
      {"pcx8", MakePcx8(Palettized(11, 7, 50), true), DecodePCX, 0},
      {"pcx24", MakePcx24(p), DecodePCX, 0},
      {"pcx-planar", MakePcxPlanar(idx, 4), DecodePCX, 0},
      {"tga", MakeTga(p, TgaOptions{2, 32, false, false, 8}), DecodeTarga, 0},
      {"tga-rle", MakeTga(p, TgaOptions{10, 24}), DecodeTarga, 0},
      {"tga-mapped", MakeTgaMapped(idx, true), DecodeTarga, 0},
      {"ppm-raw", MakePnm(p, 6, 65535), DecodePNM, 0},
      {"pbm-raw", MakePnm(p, 4, 1), DecodePNM, 0},
      {"ppm-plain", MakePnm(p, 3, 255), DecodePNM, 5},  // the last number may lose digits
      {"sgi", MakeSgi(alpha, false, 4), DecodeSGI, 0},
      {"sgi-rle", MakeSgi(alpha, true, 4), DecodeSGI, 0},
      {"jpeg", MakeJpeg(p, {}), jpeg, 2},
      {"jpeg-progressive", MakeJpeg(Gradient(40, 30), JpegOptions{90, true}), jpeg, 2},
      {"png", MakePng(alpha, {}), DecodePNG, 16},
      {"png-interlaced", MakePng(alpha, PngOptions{6, 16, true}), DecodePNG, 16},
      {"gif", MakeGif(11, 7, {0, 0xFF, 0xFF00, 0xFF0000}, 0, {GifFrame{gifFrame, 0, 0, -1, true, true}}), DecodeGIF, 2},
      {"tiff", MakeTiff(alpha, true, COMPRESSION_LZW), DecodeTIFF, 0},
  };
}

// Runs the decoder; true when it decoded, false when it raised one of ours.
bool DecodesOrFailsCleanly(const Sample& s, ByteSpan data, const std::string& what) {
  try {
    const DecodedImage image = s.decode(data);
    EXPECT_GT(image.Width(), 0) << what;
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::exception& e) {
    ADD_FAILURE() << what << ": foreign exception " << e.what();
    return false;
  }
}

TEST(DamagedFiles, EveryTruncationRaisesAnError) {
  for (const Sample& s : Samples()) {
    ASSERT_NO_THROW(s.decode(ByteSpan(s.data))) << s.name;
    for (std::size_t n = 0; n < s.data.size(); ++n) {
      // Copy, so that reading past the shortened length would be caught by a checker.
      const Bytes cut(s.data.begin(), s.data.begin() + static_cast<std::ptrdiff_t>(n));
      const std::string what = std::string(s.name) + " cut to " + std::to_string(n) + " of " + std::to_string(s.data.size());
      const bool decoded = DecodesOrFailsCleanly(s, ByteSpan(cut), what);
      if (n + s.tolerantTail < s.data.size()) {
        EXPECT_FALSE(decoded) << what;
      }
    }
  }
}

TEST(DamagedFiles, RandomByteChangesNeverCrash) {
  std::mt19937 rng(20240611);
  for (const Sample& s : Samples()) {
    for (int round = 0; round < 400; ++round) {
      Bytes damaged = s.data;
      const int changes = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < changes; ++i) {
        const std::size_t at = rng() % damaged.size();
        damaged[at] = rng() % 3 == 0 ? static_cast<std::uint8_t>(0xFF) : static_cast<std::uint8_t>(rng());
      }
      DecodesOrFailsCleanly(s, ByteSpan(damaged), std::string(s.name) + " round " + std::to_string(round));
    }
  }
}

TEST(DamagedFiles, MessagesNameTheProblem) {
  const Bytes garbage(64, 0x5A);
  const ByteSpan g(garbage);
  auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { DecodeBMP(g); }), "Bitmap image is not valid");
  EXPECT_EQ(message([&] { DecodeICO(g); }), "Icon image is not valid");
  EXPECT_EQ(message([&] { DecodePCX(g); }), "PCX image is not valid");
  EXPECT_EQ(message([&] { DecodeTarga(g); }), "Targa image is not valid");
  EXPECT_EQ(message([&] { DecodePNM(g); }), "Portable any-map image is not valid");
  EXPECT_EQ(message([&] { DecodeSGI(g); }), "SGI image is not valid");
  EXPECT_TRUE(std::regex_match(message([&] { DecodeJPEG(g, JpegOutput::kTrueColor); }), std::regex("JPEG error #[0-9]+")));
  EXPECT_EQ(message([&] { DecodeGIF(g); }), "Data is not in GIF format");
  EXPECT_EQ(message([&] { DecodePNG(g); }), "Not a PNG file");
  EXPECT_NE(message([&] { DecodeTIFF(g); }), "no error");
  try {
    DecodeJPEG(g, JpegOutput::kTrueColor);
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), "JPEG error #" + std::to_string(e.Code()));
  }
}

}  // namespace
}  // namespace kestro::imaging
