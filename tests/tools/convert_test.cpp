// The formats the builder converts, each made at test time by Debian's own
// encoder and decoded for reference by Debian's own decoder: our decoding,
// and the JPEG the builder stores, against that reference.

#include "convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "builder_fixture.h"
#include "debian_tools.h"
#include "exif_blocks.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "orientation.h"
#include "pictures.h"

namespace kestro::builder {
namespace {

using testing::Bytes;
using testing::ReadFile;
using testing::ShellWord;

struct Tools {
  std::string encoder;  // the encoding command, IN and OUT to be filled in
  std::string decoder;  // the reference decoding command to a PNG file
};

// Every format of the builder's table must have its tools here.
const std::map<std::string, Tools> kTools = {
    {"HEIF", {"heif-enc -q 92 -o OUT IN", "heif-convert IN OUT"}},
    {"AVIF", {"avifenc -s 8 --min 4 --max 12 IN OUT", "avifdec IN OUT"}},
    {"WebP", {"cwebp -q 92 -alpha_q 100 IN -o OUT", "dwebp IN -o OUT"}},
};

std::string Fill(std::string command, const std::string& in, const std::string& out) {
  command.replace(command.find("IN"), 2, ShellWord(in));
  command.replace(command.find("OUT"), 3, ShellWord(out));
  return command;
}

ConstBytes Span(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

// Smooth shading, a hard edge, and a transparent band down the left side.
testing::Rgba Shaded(int width, int height) {
  testing::Rgba p{width, height, {}, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool box = x > width / 2 && y > height / 3 && y < height * 2 / 3;
      p.color.push_back(box ? RGBColor(240, 240, 30)
                            : RGBColor(static_cast<std::uint8_t>(40 + x * 180 / width),
                                       static_cast<std::uint8_t>(60 + y * 150 / height),
                                       static_cast<std::uint8_t>(200 - (x + y) * 150 / (width + height))));
      p.alpha.push_back(x < width / 6 ? 0 : 255);
    }
  }
  return p;
}

struct Difference {
  int largest = 0;
  double mean = 0;
  double beyond24 = 0;  // share of samples off by more than 24
};

Difference Compare(const Bitmap24& a, const Bitmap24& b) {
  Difference d;
  if (a.Width() != b.Width() || a.Height() != b.Height()) return {1000, 1000};
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width() * 3; ++x) {
      const int diff = std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
      d.largest = std::max(d.largest, diff);
      sum += diff;
      if (diff > 24) d.beyond24 += 1;
    }
  }
  d.mean = sum / (3.0 * a.Width() * a.Height());
  d.beyond24 /= 3.0 * a.Width() * a.Height();
  return d;
}

class PhoneFormatTest : public BuilderTest, public ::testing::WithParamInterface<std::size_t> {
 protected:
  const PhoneFormat& Format() const { return PhoneFormats()[GetParam()]; }

  void SetUp() override {
    BuilderTest::SetUp();
    ASSERT_TRUE(Format().available) << Format().name << " is left out of this build";
    ASSERT_TRUE(kTools.count(Format().name)) << "no Debian tools named for " << Format().name;
    tools_ = kTools.at(Format().name);
    for (const std::string& command : {tools_.encoder, tools_.decoder}) {
      KESTRO_REQUIRE_TOOL(command.substr(0, command.find(' ')));
    }
  }

  // The picture as the format's encoder writes it.
  std::string Encode(const testing::Rgba& picture, const std::string& extra = "") {
    const std::string png = dir_.File("source.png"), out = dir_.File(std::string("p.") + Format().extensions[0]);
    testing::WriteFile(png, testing::MakePng(picture, testing::PngOptions{}));
    EXPECT_TRUE(testing::RunQuietly(Fill(tools_.encoder + extra, png, out)));
    return out;
  }

  // The reference decoding, alpha included.
  DecodedImage Reference(const std::string& file) {
    const std::string png = dir_.File("reference.png");
    EXPECT_TRUE(testing::RunQuietly(Fill(tools_.decoder, file, png)));
    const std::string bytes = ReadFile(png);
    return imaging::DecodePNG(Span(bytes));
  }

  Tools tools_;
};

TEST_P(PhoneFormatTest, DecodesAsTheFormatsOwnDecoder) {
  const std::string file = Encode(Shaded(97, 61));
  const DecodedImage ours = DecodePhonePicture(Format(), Span(ReadFile(file)));
  const DecodedImage reference = Reference(file);
  // The same library decodes; only the last step to 8-bit RGB may round otherwise.
  EXPECT_LE(Compare(ours.pixels, reference.pixels).largest, 2);
  ASSERT_TRUE(ours.HasAlpha());
  EXPECT_EQ(ours.alpha.size(), reference.alpha.size());
  for (std::size_t i = 0; i < ours.alpha.size(); ++i) {
    ASSERT_LE(std::abs(ours.alpha[i] - (reference.alpha.empty() ? 255 : reference.alpha[i])), 2) << i;
  }
}

// Stored as a JPEG under the same base name, transparent parts on the
// show's background colour, within JPEG noise of the reference.
TEST_P(PhoneFormatTest, BecomesAJpegOfTheSamePixels) {
  const std::string file = Encode(Shaded(97, 61));
  const TColor background = RGBColor(0, 160, 0);
  PictureWorkshop workshop(PictureChecks{}, background, nullptr);
  const std::string name = std::string("Holiday 1.") + Format().extensions[0];
  const PreparedPicture p = workshop.Prepare(file, name);
  ASSERT_TRUE(p.problem.empty()) << p.problem;
  EXPECT_EQ(p.name, "Holiday 1.jpg");
  EXPECT_EQ(p.format, "JPEG");
  EXPECT_EQ(p.size.width, 97);
  EXPECT_EQ(p.size.height, 61);
  ASSERT_EQ(p.changes.size(), 1u);
  EXPECT_EQ(p.changes[0], std::string("converted from ") + Format().name);

  const DecodedImage reference = Reference(file);
  Bitmap24 flat(reference.Width(), reference.Height(), background);
  imaging::BlendOnto(reference.pixels, reference.alpha, flat);
  const std::string stored = ReadFile(p.path);
  const Difference d = Compare(imaging::DecodeJPEG(Span(stored), imaging::JpegOutput::kTrueColor).pixels, flat);
  // JPEG noise: small on the shading, larger only along the box's hard edges,
  // where the JPEG's halved chroma blurs yellow into blue.
  EXPECT_LT(d.mean, 3.0);
  EXPECT_LT(d.beyond24, 0.03);
}

TEST_P(PhoneFormatTest, DamagedFilesAreRefusedWithAnError) {
  const std::string whole = ReadFile(Encode(Shaded(40, 30)));
  for (std::size_t cut : {std::size_t{0}, std::size_t{4}, std::size_t{12}, whole.size() / 3, whole.size() * 2 / 3,
                          whole.size() - 1}) {
    const std::string part = whole.substr(0, cut);
    try {
      const DecodedImage image = DecodePhonePicture(Format(), Span(part));
      EXPECT_EQ(image.Width(), 40) << cut;  // a decoder may make do with less
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(e.Message().find(Format().name), std::string::npos) << e.Message();
    }
  }
  std::string flipped = whole;
  for (std::size_t i = 16; i < flipped.size(); i += 7) flipped[i] = static_cast<char>(~flipped[i]);
  try {
    DecodePhonePicture(Format(), Span(flipped));
  } catch (const EInvalidGraphic&) {
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, PhoneFormatTest, ::testing::Range<std::size_t>(0, PhoneFormats().size()),
                         [](const auto& info) { return std::string(PhoneFormats()[info.param].name); });

// AVIF's rotation and mirror properties, against libheif, which applies them itself.
TEST_F(BuilderTest, AvifRotationAndMirrorAreApplied) {
  KESTRO_REQUIRE_TOOL("avifenc");
  KESTRO_REQUIRE_TOOL("heif-convert");
  const std::string png = dir_.File("source.png"), avif = dir_.File("p.avif"), ref = dir_.File("ref.png");
  testing::Rgba opaque = Shaded(40, 24);
  opaque.alpha.clear();
  testing::WriteFile(png, testing::MakePng(opaque, testing::PngOptions{2}));
  for (const char* properties : {"--irot 1", "--irot 2", "--irot 3", "--imir 0", "--imir 1", "--irot 1 --imir 1",
                                 "--irot 3 --imir 0"}) {
    SCOPED_TRACE(properties);
    ASSERT_TRUE(testing::RunQuietly("avifenc -s 8 --min 0 --max 0 " + std::string(properties) + " " +
                                    ShellWord(png) + " " + ShellWord(avif)));
    ASSERT_TRUE(testing::RunQuietly("heif-convert " + ShellWord(avif) + " " + ShellWord(ref)));
    const DecodedImage ours = DecodePhonePicture(*FindPhoneFormat("avif"), Span(ReadFile(avif)));
    const DecodedImage reference = imaging::DecodePNG(Span(ReadFile(ref)));
    EXPECT_LE(Compare(ours.pixels, reference.pixels).largest, 3);
  }
}

// WebP's orientation is its EXIF chunk's.
TEST_F(BuilderTest, WebpExifOrientationIsApplied) {
  KESTRO_REQUIRE_TOOL("cwebp");
  KESTRO_REQUIRE_TOOL("webpmux");
  const std::string png = dir_.File("source.png"), plain = dir_.File("plain.webp"), exif = dir_.File("exif.bin"),
                    turned = dir_.File("turned.webp");
  testing::WriteFile(png, testing::MakePng(Shaded(30, 20), testing::PngOptions{}));
  ASSERT_TRUE(testing::RunQuietly("cwebp -lossless " + ShellWord(png) + " -o " + ShellWord(plain)));
  const PhoneFormat& webp = *FindPhoneFormat("WEBP");
  const DecodedImage upright = DecodePhonePicture(webp, Span(ReadFile(plain)));
  for (std::uint32_t orientation = 1; orientation <= 8; ++orientation) {
    for (bool withHeader : {false, true}) {
      Bytes block = testing::MakeExif(orientation % 2 == 0, orientation, false);
      if (withHeader) block.insert(block.begin(), {'E', 'x', 'i', 'f', 0, 0});
      testing::WriteFile(exif, block);
      ASSERT_TRUE(testing::RunQuietly("webpmux -set exif " + ShellWord(exif) + " " + ShellWord(plain) + " -o " +
                                      ShellWord(turned)));
      const DecodedImage ours = DecodePhonePicture(webp, Span(ReadFile(turned)));
      EXPECT_TRUE(ours.pixels == ApplyOrientation(upright, orientation).pixels) << orientation;
    }
  }
}

}  // namespace
}  // namespace kestro::builder
