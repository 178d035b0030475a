// What a build does to its pictures: turned upright, converted, checked
// with the runtime's loader, reported or shrunk when too large; and how the
// settings follow a picture stored under a new name.

#include "pictures.h"

#include <gtest/gtest.h>

#include <string>

#include "builder_fixture.h"
#include "common/ansi.h"
#include "debian_tools.h"
#include "exif_blocks.h"
#include "imaging/decoders.h"
#include "imaging/formats.h"
#include "inspect.h"
#include "orientation.h"
#include "progress.h"

namespace kestro::builder {
namespace {

using testing::Bytes;
using testing::ReadFile;

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }
ConstBytes Span(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }
Bitmap24 DecodeJpeg(const std::string& bytes) {
  return imaging::DecodeJPEG(Span(bytes), imaging::JpegOutput::kTrueColor).pixels;
}

// Every line the build said, problems marked.
class RecordingReport : public BuildReport {
 public:
  void Say(const std::string& line, bool problem) override { lines += (problem ? "! " : "") + line + "\n"; }
  void Begin(const std::string& stage, std::size_t items, std::uint64_t) override {
    lines += "[" + stage + " " + std::to_string(items) + "]\n";
  }
  void Advance(std::uint64_t) override { ++advanced; }
  std::string lines;
  int advanced = 0;
};

class PicturesTest : public BuilderTest {
 protected:
  BuildResult Build(std::vector<ItemInput> items, PictureChecks checks = {}) {
    BuildOptions o = Minimal();
    o.items = std::move(items);
    o.pictures = checks;
    o.report = &report_;
    return MakeScreensaver(o);
  }
  // The stored file of an item, through the runtime's extraction.
  std::string Stored(const std::string& key) {
    LocatePayloadIn(dir_.File("out.scr"));
    PayloadSettings() = TMemIniFile(SettingsFile);
    std::string path = ReplaceAll(key, "**", "=");
    std::filesystem::remove(TempRoot + path);  // left from an earlier build
    EXPECT_TRUE(FetchPayloadFile(key, path)) << key;
    return ReadFile(path);
  }
  std::string Rotated(const std::string& name, std::uint32_t orientation, const testing::Rgba& picture) {
    return Input(name, Text(testing::WithExif(testing::MakeJpeg(picture, testing::JpegOptions{}),
                                              testing::MakeExif(false, orientation, false))));
  }
  RecordingReport report_;
};

TEST_F(PicturesTest, TurnedPicturesAreStoredUprightAndSaySo) {
  ASSERT_TRUE(LosslessTurningAvailable());
  const std::string turned = Rotated("portrait.jpg", 6, testing::Gradient(64, 48));
  const BuildResult built = Build({{ItemKind::kPicture, turned}, {ItemKind::kPicture, picture_}});
  ASSERT_EQ(built.pictures.size(), 2u);
  EXPECT_EQ(built.pictures[0].size.width, 48);
  EXPECT_EQ(built.pictures[0].size.height, 64);
  EXPECT_NE(report_.lines.find("portrait.jpg: turned upright (turned 90 degrees clockwise)\n"), std::string::npos)
      << report_.lines;
  EXPECT_TRUE(built.pictures[1].changes.empty());
  const std::string stored = Stored("portrait.jpg");
  EXPECT_EQ(JpegOrientation(Span(stored)), 1u);
  EXPECT_TRUE(DecodeJpeg(stored) == DecodeJpeg(TurnJpegUpright(Span(ReadFile(turned)), 6, JpegWarnings::kRefuse).bytes));
  EXPECT_EQ(Stored("a.jpg"), ReadFile(picture_)) << "a picture without orientation is stored as it is";
  // Left alone on request: the very bytes.
  PictureChecks keep;
  keep.turnUpright = false;
  Build({{ItemKind::kPicture, turned}}, keep);
  EXPECT_EQ(Stored("portrait.jpg"), ReadFile(turned));
}

TEST_F(PicturesTest, DamagedJpegFilesAreNotTurned) {
  // Stray bytes between two segments: the decoder warns and reads on, and
  // so does the runtime; the picture is turned.
  Bytes stray = testing::WithExif(testing::MakeJpeg(testing::Gradient(32, 32), testing::JpegOptions{}),
                                  testing::MakeExif(true, 3, false));
  const std::size_t second = Text(stray).find("\xFF\xDB");
  ASSERT_NE(second, std::string::npos);
  stray.insert(stray.begin() + static_cast<std::ptrdiff_t>(second), {0x00, 0x11, 0x22});
  // Cut short: the runtime refuses it, so it is left out, not turned into a whole picture.
  const std::string whole = ReadFile(Rotated("cut.jpg", 8, testing::Gradient(32, 32)));
  const std::string cut = Input("cut.jpg", whole.substr(0, whole.size() * 2 / 3));
  const BuildResult built = Build({{ItemKind::kPicture, Input("stray.jpg", Text(stray))}, {ItemKind::kPicture, cut}});
  ASSERT_EQ(built.pictures.size(), 2u);
  EXPECT_EQ(built.pictures[0].changes.size(), 1u) << report_.lines;
  EXPECT_EQ(JpegOrientation(Span(Stored("stray.jpg"))), 1u);
  EXPECT_TRUE(built.pictures[1].leftOut);
  EXPECT_TRUE(built.pictures[1].changes.empty());
  EXPECT_NE(built.pictures[1].problem.find("EJPEG"), std::string::npos) << built.pictures[1].problem;
}

TEST_F(PicturesTest, PicturesTheRuntimeWouldSkipAreLeftOutUnlessKept) {
  const std::string broken = Input("broken.png", "not a png at all");
  const std::string unknown = Input("notes.xyz", "text");
  const BuildResult built = Build({{ItemKind::kPicture, broken}, {ItemKind::kPicture, picture_},
                                   {ItemKind::kPicture, unknown}});
  ASSERT_EQ(built.items.size(), 1u);
  EXPECT_EQ(built.items[0].name, "a.jpg");
  EXPECT_EQ(built.pictures[0].problem.rfind("EPNGError: ", 0), 0u) << built.pictures[0].problem;
  EXPECT_EQ(built.pictures[2].problem, "EInvalidGraphic: Unknown picture file extension (.xyz)");
  EXPECT_NE(report_.lines.find("! broken.png: left out: EPNGError: "), std::string::npos) << report_.lines;
  TMemIniFile ini;
  ini.LoadFromText(built.settingsText);
  EXPECT_EQ(ini.ReadSection("Pictures"), (std::vector<std::string>{"a.jpg"}));

  PictureChecks keep;
  keep.keepBroken = true;
  const BuildResult kept = Build({{ItemKind::kPicture, broken}}, keep);
  EXPECT_EQ(kept.items.size(), 1u);
  EXPECT_NE(report_.lines.find("! broken.png: kept although the runtime cannot show it: "), std::string::npos);
  // Inspection reports what the runtime would skip.
  const Inspection inspection = InspectScreensaver(dir_.File("out.scr"));
  ASSERT_EQ(inspection.items.size(), 1u);
  EXPECT_EQ(inspection.items[0].pictureProblem, kept.pictures[0].problem);
  EXPECT_FALSE(inspection.Sound());
}

TEST_F(PicturesTest, LargerThanTheMaximumIsReportedOrShrunk) {
  PictureChecks checks;
  checks.maxSize = PictureSize{40, 40};
  const std::string png = Input("wide.png", Text(testing::MakePng(testing::Gradient(80, 20), testing::PngOptions{})));
  Build({{ItemKind::kPicture, picture_}, {ItemKind::kPicture, png}}, checks);
  EXPECT_NE(report_.lines.find("! a.jpg: 64x48 is larger than 40x40\n"), std::string::npos) << report_.lines;
  EXPECT_EQ(Stored("a.jpg"), ReadFile(picture_));

  checks.shrink = true;
  const BuildResult built = Build({{ItemKind::kPicture, picture_}, {ItemKind::kPicture, png}}, checks);
  EXPECT_NE(report_.lines.find("a.jpg: shrunk from 64x48 to 40x30\n"), std::string::npos) << report_.lines;
  EXPECT_NE(report_.lines.find("wide.png: shrunk from 80x20 to 40x10, stored as wide.jpg\n"), std::string::npos);
  EXPECT_EQ(built.items[1].name, "wide.jpg");
  EXPECT_EQ(built.pictures[1].size.width, 40);
  const Bitmap24 small = DecodeJpeg(Stored("a.jpg"));
  EXPECT_EQ(small.Width(), 40);
  EXPECT_EQ(small.Height(), 30);
  EXPECT_EQ(DecodeJpeg(Stored("wide.jpg")).Height(), 10);
}

TEST_F(PicturesTest, SettingsFollowAConvertedPicture) {
  KESTRO_REQUIRE_TOOL("cwebp");
  const std::string png = dir_.File("p.png"), webp = dir_.File("in/Beach [1].webp");
  testing::WriteFile(png, testing::MakePng(testing::Gradient(20, 10), testing::PngOptions{}));
  ASSERT_TRUE(testing::RunQuietly("cwebp -q 90 " + testing::ShellWord(png) + " -o " + testing::ShellWord(webp)));
  BuildOptions o = Minimal();
  o.items = {{ItemKind::kPicture, webp}};
  o.settings = Input("s.ini", "[Pictures]\r\nBeach [1].webp=1\r\n[captions]\r\nBeach [1].webp=At the sea\r\n"
                              "[effects]\r\nBeach 1.webp=14,15,\r\n");
  const BuildResult built = MakeScreensaver(o);
  ASSERT_EQ(built.items.size(), 1u);
  EXPECT_EQ(built.items[0].name, "Beach [1].jpg");
  TMemIniFile ini;
  ini.LoadFromText(built.settingsText);
  EXPECT_EQ(ini.ReadString("captions", "Beach [1].jpg", ""), "At the sea");
  EXPECT_EQ(ini.ReadString("effects", "Beach 1.jpg", ""), "14,15,");
  EXPECT_EQ(ini.ReadInteger("Pictures", "Beach [1].webp", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Pictures", "Beach [1].jpg", -1), 1);

  // Two inputs that would both be stored as one name are refused, naming both.
  o.items.push_back({ItemKind::kPicture, Input("Beach [1].jpg", ReadFile(picture_))});
  try {
    MakeScreensaver(o);
    ADD_FAILURE() << "built";
  } catch (const EBuildError& e) {
    EXPECT_NE(e.Message().find("\"Beach [1].jpg\" (the builder's name for \"Beach [1].webp\")"), std::string::npos)
        << e.Message();
  }
}

TEST_F(PicturesTest, TheReportCountsEveryPictureAndItem) {
  Build({{ItemKind::kPicture, picture_}, {ItemKind::kMusic, music_}, {ItemKind::kPicture, equals_}});
  EXPECT_EQ(report_.lines.rfind("[checking pictures 2]\n[writing 3]\n", 0), 0u) << report_.lines;
  EXPECT_EQ(report_.advanced, 5);
}

TEST(PictureSizes, ParseFitAndShrink) {
  EXPECT_EQ(ParsePictureSize("3840x2160").width, 3840);
  EXPECT_EQ(ParsePictureSize("1X2").height, 2);
  for (const char* bad : {"", "x", "100", "0x10", "10x0", "-1x5", "10x", "1.5x2", "99999x1", " 10x10", "10x10x"}) {
    EXPECT_THROW(ParsePictureSize(bad), EUsageError) << bad;
  }
  struct Case { PictureSize picture, box, fit; };
  for (const Case& c : {Case{{4000, 3000}, {3840, 2160}, {2880, 2160}}, Case{{3000, 4000}, {3840, 2160}, {1620, 2160}},
                        Case{{8000, 1000}, {3840, 2160}, {3840, 480}}, Case{{100, 100}, {3840, 2160}, {100, 100}},
                        Case{{5000, 1}, {100, 100}, {100, 1}}, Case{{3, 2}, {2, 2}, {2, 1}}}) {
    const PictureSize fit = FitWithin(c.picture, c.box);
    EXPECT_EQ(fit.width, c.fit.width) << c.picture.width << "x" << c.picture.height;
    EXPECT_EQ(fit.height, c.fit.height) << c.picture.width << "x" << c.picture.height;
  }
}

// Each target pixel is the mean of the source area it covers: against a
// direct computation in floating point, for whole and fractional factors.
TEST(PictureSizes, ShrinkingAveragesTheCoveredArea) {
  Bitmap24 source(13, 7);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 13; ++x) source.SetPixel(x, y, RGBColor(static_cast<std::uint8_t>(x * 19), static_cast<std::uint8_t>(y * 37), static_cast<std::uint8_t>((x * y * 11) & 255)));
  }
  for (const PictureSize size : {PictureSize{13, 7}, PictureSize{5, 3}, PictureSize{1, 1}, PictureSize{12, 2}}) {
    const Bitmap24 small = ShrinkBitmap(source, size);
    ASSERT_EQ(small.Width(), size.width);
    ASSERT_EQ(small.Height(), size.height);
    const double fx = 13.0 / size.width, fy = 7.0 / size.height;
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x) {
        for (int c = 0; c < 3; ++c) {
          double sum = 0;
          for (int sy = 0; sy < 7; ++sy) {
            for (int sx = 0; sx < 13; ++sx) {
              const double wx = std::max(0.0, std::min(sx + 1.0, (x + 1) * fx) - std::max(1.0 * sx, x * fx));
              const double wy = std::max(0.0, std::min(sy + 1.0, (y + 1) * fy) - std::max(1.0 * sy, y * fy));
              sum += wx * wy * source.ScanLine(sy)[3 * sx + c];
            }
          }
          EXPECT_NEAR(small.ScanLine(y)[3 * x + c], sum / (fx * fy), 0.5 + 1e-9) << x << "," << y << " " << c;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kestro::builder
