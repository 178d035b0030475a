// TIFF layouts that libtiff's RGBA interface handles each its own way:
// uncompressed tiles, and grey with alpha (whose colour it passes as stored
// where it premultiplies every other picture's).

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>
#include <tiffio.h>

#include "imaging/decoders.h"
#include "support/temp_dir.h"

namespace kestro::imaging {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A TIFF written by libtiff: `tags` sets the layout, `write` the data.
Bytes WriteTiff(const std::function<void(TIFF*)>& tags, const std::function<void(TIFF*)>& write) {
  kestro::testing::TempDir dir;
  const std::string path = dir.File("picture.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  tags(tif);
  write(tif);
  TIFFClose(tif);
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Layout(TIFF* tif, std::uint32_t width, std::uint32_t height, int samples, int photometric) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
}

std::uint8_t Sample(std::uint32_t x, std::uint32_t y, int c) {
  return static_cast<std::uint8_t>(x * 11 + y * 7 + c * 80);
}

TEST(TiffLayouts, UncompressedTilesLoad) {
  // 20 x 18 in tiles of 16 x 16: the right and bottom tiles stick out.
  constexpr std::uint32_t kWidth = 20, kHeight = 18, kTile = 16;
  const Bytes file = WriteTiff(
      [&](TIFF* tif) {
        Layout(tif, kWidth, kHeight, 3, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, kTile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, kTile);
      },
      [&](TIFF* tif) {
        std::vector<std::uint8_t> tile(kTile * kTile * 3);
        for (std::uint32_t ty = 0; ty < kHeight; ty += kTile) {
          for (std::uint32_t tx = 0; tx < kWidth; tx += kTile) {
            for (std::uint32_t y = 0; y < kTile; ++y) {
              for (std::uint32_t x = 0; x < kTile; ++x) {
                for (int c = 0; c < 3; ++c) tile[(y * kTile + x) * 3 + c] = Sample(tx + x, ty + y, c);
              }
            }
            ASSERT_GT(TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0), 0);
          }
        }
      });
  const DecodedImage image = DecodeTIFF(ByteSpan(file));
  ASSERT_EQ(image.Width(), static_cast<int>(kWidth));
  ASSERT_EQ(image.Height(), static_cast<int>(kHeight));
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const TColor c = image.pixels.GetPixel(static_cast<int>(x), static_cast<int>(y));
      ASSERT_EQ(c, RGB(Sample(x, y, 0), Sample(x, y, 1), Sample(x, y, 2))) << x << ", " << y;
    }
  }
}

struct GreyAlpha {
  std::uint16_t extraSample;
  std::uint8_t stored;    // the grey sample in the file
  std::uint8_t straight;  // its colour without the alpha
};

class TiffGreyWithAlpha : public ::testing::TestWithParam<GreyAlpha> {};

TEST_P(TiffGreyWithAlpha, ColourComesOutStraight) {
  const GreyAlpha p = GetParam();
  const Bytes file = WriteTiff(
      [&](TIFF* tif) {
        Layout(tif, 2, 1, 2, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &p.extraSample);
      },
      [&](TIFF* tif) {
        std::uint8_t row[] = {p.stored, 128, 10, 255};
        ASSERT_EQ(TIFFWriteScanline(tif, row, 0, 0), 1);
      });
  const DecodedImage image = DecodeTIFF(ByteSpan(file));
  ASSERT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.alpha[0], 128);
  EXPECT_EQ(image.pixels.GetPixel(0, 0), RGB(p.straight, p.straight, p.straight));
  EXPECT_EQ(image.pixels.GetPixel(1, 0), RGB(10, 10, 10));
}

INSTANTIATE_TEST_SUITE_P(ExtraSample, TiffGreyWithAlpha,
                         ::testing::Values(GreyAlpha{EXTRASAMPLE_UNASSALPHA, 200, 200},
                                           GreyAlpha{EXTRASAMPLE_ASSOCALPHA, 100, 199}),
                         [](const ::testing::TestParamInfo<GreyAlpha>& info) {
                           return info.param.extraSample == EXTRASAMPLE_UNASSALPHA ? "Unassociated" : "Associated";
                         });

}  // namespace
}  // namespace kestro::imaging
