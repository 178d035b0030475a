// The EXIF reader and writer: against blocks written here in both byte
// orders, against exiftool (which writes and reads the tag independently),
// and against damaged data, which must read as "no such field".

#include "exif.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debian_tools.h"
#include "exif_blocks.h"
#include "imaging/test_pictures.h"
#include "support/temp_dir.h"

namespace kestro::builder {
namespace {

using testing::Bytes;
using testing::MakeExif;
using testing::WithExif;

Bytes SmallJpeg() { return testing::MakeJpeg(testing::Gradient(16, 8), testing::JpegOptions{}); }

class ExifByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, ReadsAndMarksUprightInPlace) {
  const bool big = GetParam();
  for (bool longDimensions : {false, true}) {
    for (std::uint32_t orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(::testing::Message() << (big ? "MM" : "II") << " orientation " << orientation);
      Bytes jpeg = WithExif(SmallJpeg(), MakeExif(big, orientation, longDimensions));
      EXPECT_EQ(JpegOrientation(jpeg), orientation);
      const auto block = FindJpegExif(jpeg);
      ASSERT_TRUE(block);
      std::span<std::uint8_t> exif(jpeg.data() + block->offset, block->size);
      const ExifFields fields = ReadExifFields(exif);
      EXPECT_EQ(fields.bigEndian, big);
      ASSERT_TRUE(fields.pixelWidth && fields.pixelHeight);
      EXPECT_EQ(fields.pixelWidth->value, 640u);
      EXPECT_EQ(fields.pixelHeight->isLong, longDimensions);
      const std::size_t size = jpeg.size();
      MarkExifUpright(exif, fields, 480, 640);
      EXPECT_EQ(jpeg.size(), size);
      const ExifFields after = ReadExifFields(exif);
      EXPECT_EQ(after.Orientation(), 1u);
      EXPECT_EQ(after.pixelWidth->value, 480u);
      EXPECT_EQ(after.pixelHeight->value, 640u);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ExifByteOrder, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Motorola" : "Intel"; });

TEST(Exif, WhatIsNotThereReadsAsUpright) {
  EXPECT_EQ(JpegOrientation(SmallJpeg()), 1u);  // no EXIF at all
  EXPECT_EQ(JpegOrientation(Bytes{}), 1u);
  EXPECT_EQ(JpegOrientation(Bytes{'G', 'I', 'F', '8', '9', 'a'}), 1u);
  // Values outside 1 to 8 are reported as they are; the caller decides.
  EXPECT_EQ(JpegOrientation(WithExif(SmallJpeg(), MakeExif(false, 9, false))), 9u);
  EXPECT_EQ(JpegOrientation(WithExif(SmallJpeg(), MakeExif(true, 0, false))), 0u);
  // An APP1 segment of XMP is not EXIF.
  Bytes xmp = SmallJpeg();
  const Bytes segment = {0xFF, 0xE1, 0x00, 0x08, 'h', 't', 't', 'p', ':', '/'};
  xmp.insert(xmp.begin() + 2, segment.begin(), segment.end());
  EXPECT_FALSE(FindJpegExif(xmp));
}

TEST(Exif, FillBytesAndMarkersWithoutLengthAreWalkedOver) {
  Bytes jpeg = WithExif(SmallJpeg(), MakeExif(false, 6, false));
  jpeg.insert(jpeg.begin() + 2, {0xFF, 0xFF, 0xFF});  // fill before the APP1 marker
  EXPECT_EQ(JpegOrientation(jpeg), 6u);
  // EXIF after the first scan is not looked for.
  Bytes late = SmallJpeg();
  const Bytes withExif = WithExif(SmallJpeg(), MakeExif(false, 6, false));
  const std::size_t segment = withExif.size() - late.size();
  late.insert(late.end() - 2, withExif.begin() + 2, withExif.begin() + 2 + static_cast<std::ptrdiff_t>(segment));
  EXPECT_EQ(JpegOrientation(late), 1u);
}

// Every damaged form of a valid file: cut at each length, and with each
// offset or count field set to values that point outside or loop.
TEST(Exif, DamagedDataNeverReadsOutside) {
  const Bytes good = WithExif(SmallJpeg(), MakeExif(false, 6, false));
  const auto block = FindJpegExif(good);
  ASSERT_TRUE(block);
  for (std::size_t cut = 0; cut < block->offset + block->size; ++cut) {
    Bytes truncated(good.begin(), good.begin() + cut);
    const std::uint32_t orientation = JpegOrientation(truncated);
    EXPECT_TRUE(orientation == 1 || orientation == 6) << cut;
  }
  const Bytes tiff = MakeExif(false, 6, false);
  for (std::size_t at = 0; at + 4 <= tiff.size(); ++at) {
    for (std::uint32_t value : {0u, 1u, 8u, 0x7FFFu, 0xFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
      Bytes damaged = tiff;
      for (int i = 0; i < 4; ++i) damaged[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
      Bytes jpeg = WithExif(SmallJpeg(), damaged);
      const auto b = FindJpegExif(jpeg);
      ASSERT_TRUE(b);
      std::span<std::uint8_t> exif(jpeg.data() + b->offset, b->size);
      const ExifFields fields = ReadExifFields(exif);
      for (const auto& field : {fields.orientation, fields.pixelWidth, fields.pixelHeight}) {
        if (field) {
          EXPECT_LE(field->at + (field->isLong ? 4 : 2), exif.size());
        }
      }
      MarkExifUpright(exif, fields, 100000, 3);  // a width SHORT cannot hold is not written
      if (fields.pixelWidth && !fields.pixelWidth->isLong) {
        EXPECT_EQ(ReadExifFields(exif).pixelWidth->value, fields.pixelWidth->value);
      }
    }
  }
  // Segment lengths below 2 or beyond the end stop the walk.
  for (std::uint16_t length : {0, 1, 0xFFFF}) {
    Bytes jpeg = good;
    jpeg[4] = static_cast<std::uint8_t>(length >> 8);
    jpeg[5] = static_cast<std::uint8_t>(length);
    EXPECT_EQ(JpegOrientation(jpeg), 1u) << length;
  }
}

// exiftool writes the tag into a file of its own making and reads ours back.
TEST(Exif, AgreesWithExiftool) {
  KESTRO_REQUIRE_TOOL("exiftool");
  testing::TempDir dir;
  const std::string file = dir.File("p.jpg");
  for (std::uint32_t orientation = 1; orientation <= 8; ++orientation) {
    testing::WriteFile(file, SmallJpeg());
    ASSERT_TRUE(testing::RunQuietly("exiftool -q -overwrite_original -n -Orientation=" + std::to_string(orientation) +
                                    " " + testing::ShellWord(file)));
    const std::string data = testing::ReadFile(file);
    Bytes jpeg(data.begin(), data.end());
    EXPECT_EQ(JpegOrientation(jpeg), orientation);

    const auto block = FindJpegExif(jpeg);
    ASSERT_TRUE(block);
    std::span<std::uint8_t> exif(jpeg.data() + block->offset, block->size);
    MarkExifUpright(exif, ReadExifFields(exif), 8, 16);
    testing::WriteFile(file, jpeg);
    EXPECT_EQ(testing::CaptureOutput("exiftool -s3 -n -Orientation " + testing::ShellWord(file)), "1\n");
    EXPECT_EQ(testing::CaptureOutput("exiftool -s3 -validate " + testing::ShellWord(file)), "OK\n");
  }
}

}  // namespace
}  // namespace kestro::builder
