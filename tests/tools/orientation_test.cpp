// Turning JPEG files upright: the decoded result against the turned
// original pixel for pixel, against where the EXIF definition puts the
// stored corners, and against Debian's jpegtran doing the same transform.

#include "orientation.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "debian_tools.h"
#include "imaging/decoders.h"
#include "imaging/test_pictures.h"
#include "support/temp_dir.h"

namespace kestro::builder {
namespace {

using testing::Bytes;

Bitmap24 Decode(const std::string& jpeg) {
  return imaging::DecodeJPEG({reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()},
                             imaging::JpegOutput::kTrueColor).pixels;
}

Bitmap24 Crop(const Bitmap24& b, int width, int height) {
  Bitmap24 out(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.SetPixel(x, y, b.GetPixel(x, y));
  }
  return out;
}

// 8 x 8 blocks of flat colour, a different one in every block: in a JPEG of
// full chroma every block decodes to its colour exactly, wherever it moves.
testing::Rgba FlatBlocks(int width, int height) {
  testing::Rgba p{width, height, {}, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int bx = x / 8, by = y / 8;
      p.color.push_back(RGBColor(static_cast<std::uint8_t>(40 + 50 * bx), static_cast<std::uint8_t>(30 + 60 * by),
                                 static_cast<std::uint8_t>((bx * 7 + by * 3) % 4 * 60)));
    }
  }
  return p;
}

class TurningTest : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    KESTRO_REQUIRE_TOOL("cjpeg");
    KESTRO_REQUIRE_TOOL("exiftool");
    ASSERT_TRUE(LosslessTurningAvailable());
  }

  // A JPEG made by cjpeg (chroma "1x1": full, or "2x2": halved) carrying
  // the orientation, set by exiftool.
  std::string MakeJpeg(const testing::Rgba& picture, const char* sampling, std::uint32_t orientation) {
    const std::string ppm = dir_.File("in.ppm"), jpeg = dir_.File("in.jpg");
    testing::WriteFile(ppm, testing::MakePnm(picture, 6, 255));
    EXPECT_TRUE(testing::RunQuietly(std::string("cjpeg -quality 95 -sample ") + sampling + " -outfile " +
                                    testing::ShellWord(jpeg) + " " + testing::ShellWord(ppm)));
    EXPECT_TRUE(testing::RunQuietly("exiftool -q -overwrite_original -n -Orientation=" + std::to_string(orientation) +
                                    " -ExifIFD:ExifImageWidth=" + std::to_string(picture.width) +
                                    " -ExifIFD:ExifImageHeight=" + std::to_string(picture.height) + " " +
                                    testing::ShellWord(jpeg)));
    return testing::ReadFile(jpeg);
  }

  TurnedJpeg Turn(const std::string& jpeg) {
    return TurnJpegUpright({reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()}, GetParam(),
                           JpegWarnings::kRefuse);
  }

  testing::TempDir dir_;
};

// The result against the original turned here, pixel for pixel, and the
// stored top-left and top-right corners where the EXIF definition of each
// value (which sides row 0 and column 0 show) puts them.
TEST_P(TurningTest, EqualsTheOriginalTurnedPixelForPixel) {
  const std::uint32_t o = GetParam();
  enum Corner { TL, TR, BL, BR };
  const std::map<std::uint32_t, std::pair<Corner, Corner>> corners = {
      {2, {TR, TL}}, {3, {BR, BL}}, {4, {BL, BR}}, {5, {TL, BL}}, {6, {TR, BR}}, {7, {BR, TR}}, {8, {BL, TL}}};
  // 48 x 32 fills whole blocks; 37 x 29 leaves partial ones at two edges.
  for (const auto& [w, h] : {std::pair{48, 32}, std::pair{37, 29}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h << ", orientation " << o);
    const std::string original = MakeJpeg(FlatBlocks(w, h), "1x1", o);
    const TurnedJpeg turned = Turn(original);
    const Bitmap24 upright = Decode(turned.bytes);
    ASSERT_EQ(upright.Width(), turned.width);
    ASSERT_EQ(upright.Height(), turned.height);

    // Trimming removes only the partial blocks at the stored right and bottom edges.
    const int keptW = SwapsSides(o) ? turned.height : turned.width;
    const int keptH = SwapsSides(o) ? turned.width : turned.height;
    if (w % 8 == 0 && h % 8 == 0) {
      EXPECT_EQ(turned.trimmedColumns + turned.trimmedRows, 0);
    }
    EXPECT_TRUE(keptW == w || keptW == w / 8 * 8);
    EXPECT_TRUE(keptH == h || keptH == h / 8 * 8);
    EXPECT_EQ(turned.width + turned.trimmedColumns, SwapsSides(o) ? h : w);
    EXPECT_EQ(turned.height + turned.trimmedRows, SwapsSides(o) ? w : h);
    DecodedImage kept;
    kept.pixels = Crop(Decode(original), keptW, keptH);
    EXPECT_TRUE(ApplyOrientation(kept, o).pixels == upright);
    auto at = [&](Corner c) {
      return upright.GetPixel(c == TR || c == BR ? upright.Width() - 1 : 0, c == BL || c == BR ? upright.Height() - 1 : 0);
    };
    EXPECT_EQ(at(corners.at(o).first), kept.pixels.GetPixel(0, 0));
    EXPECT_EQ(at(corners.at(o).second), kept.pixels.GetPixel(keptW - 1, 0));

    // The tag reads 1 and the pixel dimensions follow the new size, for exiftool too.
    const std::string file = dir_.File("out.jpg");
    testing::WriteFile(file, turned.bytes);
    EXPECT_EQ(testing::CaptureOutput("exiftool -s3 -n -Orientation -ExifImageWidth -ExifImageHeight " +
                                     testing::ShellWord(file)),
              "1\n" + std::to_string(turned.width) + "\n" + std::to_string(turned.height) + "\n");
  }
}

// Halved chroma (blocks of 16), sizes that need trimming: the same file as
// jpegtran makes with "-perfect", or with "-trim" where that fails.
TEST_P(TurningTest, MatchesJpegtran) {
  KESTRO_REQUIRE_TOOL("jpegtran");
  const std::map<std::uint32_t, std::string> transform = {
      {2, "-flip horizontal"}, {3, "-rotate 180"}, {4, "-flip vertical"}, {5, "-transpose"},
      {6, "-rotate 90"},       {7, "-transverse"}, {8, "-rotate 270"}};
  for (const auto& [w, h] : {std::pair{64, 48}, std::pair{61, 45}, std::pair{16, 33}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h << ", orientation " << GetParam());
    const std::string original = MakeJpeg(testing::Gradient(w, h), "2x2", GetParam());
    const TurnedJpeg turned = Turn(original);
    const std::string in = testing::ShellWord(dir_.File("in.jpg")), out = testing::ShellWord(dir_.File("ref.jpg"));
    const std::string op = transform.at(GetParam());
    if (!testing::RunQuietly("jpegtran -perfect " + op + " -outfile " + out + " " + in)) {
      ASSERT_TRUE(testing::RunQuietly("jpegtran -trim " + op + " -outfile " + out + " " + in));
    }
    EXPECT_TRUE(Decode(testing::ReadFile(dir_.File("ref.jpg"))) == Decode(turned.bytes));
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTurningValue, TurningTest, ::testing::Range<std::uint32_t>(2, 9));

TEST(Turning, RefusesWhatItCannotTurn) {
  const Bytes jpeg = testing::MakeJpeg(testing::Gradient(16, 16), testing::JpegOptions{});
  EXPECT_THROW(TurnJpegUpright(jpeg, 1, JpegWarnings::kAccept), EBuildError);
  EXPECT_THROW(TurnJpegUpright(jpeg, 9, JpegWarnings::kAccept), EBuildError);
  const Bytes junk = {0xFF, 0xD8, 0xFF, 0xE0, 0x00};
  EXPECT_THROW(TurnJpegUpright(junk, 6, JpegWarnings::kAccept), kestro::Exception);
  // Cut short in its data: the decoder warns of the missing end; refused unless accepted.
  const Bytes large = testing::MakeJpeg(testing::Gradient(64, 64), testing::JpegOptions{});
  const Bytes cut(large.begin(), large.begin() + static_cast<std::ptrdiff_t>(large.size() * 9 / 10));
  EXPECT_THROW(TurnJpegUpright(cut, 6, JpegWarnings::kRefuse), EJpegWarning);
  EXPECT_NO_THROW(TurnJpegUpright(cut, 6, JpegWarnings::kAccept));
}

TEST(Turning, PixelsTurnWithTheirAlpha) {
  DecodedImage image;
  image.pixels = Bitmap24(3, 2);
  image.alpha = {1, 2, 3, 4, 5, 6};
  for (int i = 0; i < 6; ++i) image.pixels.SetPixel(i % 3, i / 3, static_cast<TColor>(i + 1));
  // Turned clockwise, the stored bottom-left comes to the top-left.
  const DecodedImage turned = ApplyOrientation(image, 6);
  ASSERT_EQ(turned.Width(), 2);
  ASSERT_EQ(turned.Height(), 3);
  EXPECT_EQ(turned.alpha, (std::vector<std::uint8_t>{4, 1, 5, 2, 6, 3}));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(turned.pixels.GetPixel(i % 2, i / 2), turned.alpha[i]);
  EXPECT_TRUE(ApplyOrientation(image, 1).pixels == image.pixels);
}

}  // namespace
}  // namespace kestro::builder
