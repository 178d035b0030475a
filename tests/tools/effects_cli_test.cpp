#include <gtest/gtest.h>

#include <webp/demux.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli.h"
#include "gallery.h"
#include "imaging/graphic.h"
#include "imaging/load_picture.h"
#include "png_writer.h"
#include "sample_photos.h"
#include "support/temp_dir.h"
#include "transition/effect.h"

namespace kestro::effects_tool {
namespace {

using kestro::testing::TempDir;

Bitmap24 Striped(std::int32_t w, std::int32_t h, std::uint8_t seed) {
  Bitmap24 b(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      b.SetPixel(x, y, RGBColor(static_cast<std::uint8_t>(seed + x * 5), static_cast<std::uint8_t>(y * 7), seed));
    }
  }
  return b;
}

Bitmap24 Load(const std::string& file) {
  TPicture picture;
  LoadPicture(picture, file, 0);
  Bitmap24 b(picture.Width(), picture.Height());
  picture.Graphic()->Draw(b);
  return b;
}

class EffectsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    WritePNG(oldPicture, dir.File("old.png"));
    WritePNG(newPicture, dir.File("new.png"));
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    for (std::string& a : args) {
      if (a == "OLD") a = dir.File("old.png");
      if (a == "NEW") a = dir.File("new.png");
      if (a == "OUT") a = dir.File("out.png");
    }
    return RunKestroEffects(args, out, err);
  }

  TempDir dir;
  Bitmap24 oldPicture = Striped(40, 30, 10);
  Bitmap24 newPicture = Striped(40, 30, 200);
  std::ostringstream out;
  std::ostringstream err;
};

int FirstUnbuilt() {
  for (int n = 1; n <= kEffectCount; ++n) {
    if (!EffectImplemented(n)) return n;
  }
  return 0;
}

std::string ReadText(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Animation {
  int width = 0, height = 0, loops = -1, milliseconds = 0;
  std::vector<Bitmap24> frames;
};

// Plays an animated WebP file through libwebp's own decoder.
Animation DecodeAnimation(const std::string& file) {
  const std::string bytes = ReadText(file);
  WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  Animation a;
  if (decoder == nullptr) {
    ADD_FAILURE() << file << " is no animated WebP file";
    return a;
  }
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(decoder, &info);
  a.width = static_cast<int>(info.canvas_width);
  a.height = static_cast<int>(info.canvas_height);
  a.loops = static_cast<int>(info.loop_count);
  std::uint8_t* pixels = nullptr;
  int timestamp = 0;
  while (WebPAnimDecoderHasMoreFrames(decoder) && WebPAnimDecoderGetNext(decoder, &pixels, &timestamp)) {
    Bitmap24 frame(a.width, a.height);
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) std::memcpy(frame.ScanLine(y) + 3 * x, pixels + 4 * (y * a.width + x), 3);
    }
    a.frames.push_back(std::move(frame));
    a.milliseconds = timestamp;  // the end of the frame just decoded
  }
  WebPAnimDecoderDelete(decoder);
  return a;
}

double MeanDifference(const Bitmap24& a, const Bitmap24& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int i = 0; i < 3 * a.Width(); ++i) sum += std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]);
  }
  return sum / (3.0 * a.Width() * a.Height());
}

TEST_F(EffectsCli, ListsAllEffectsWithTheirState) {
  ASSERT_EQ(Run({"list"}), 0);
  std::istringstream lines(out.str());
  std::string line;
  int count = 0;
  while (std::getline(lines, line) && count < kEffectCount) {
    ++count;
    const std::string expected = std::to_string(count) + "\t" + FindEffect(count)->Name + "\t" +
                                 (EffectImplemented(count) ? "built" : "not built");
    EXPECT_EQ(line, expected);
  }
  EXPECT_EQ(count, 150);
  // Then how many are built, from the table.
  EXPECT_EQ(line, std::to_string(BuiltEffects().size()) + " of 150 built");
  EXPECT_FALSE(std::getline(lines, line));
}

TEST_F(EffectsCli, NoEffectShowsTheNewPictureAtEveryProgress) {
  for (const char* progress : {"0", "40", "100"}) {
    ASSERT_EQ(Run({"frame", "--effect", "0", "--progress", progress, "OLD", "NEW", "OUT"}), 0) << err.str();
    EXPECT_EQ(Load(dir.File("out.png")), newPicture) << progress;
  }
}

TEST_F(EffectsCli, AWipeFrameAndItsEnds) {
  ASSERT_TRUE(EffectImplemented(5)) << "the reveal effects are built";
  ASSERT_EQ(Run({"frame", "--effect=5", "--progress=50", "OLD", "NEW", "OUT"}), 0) << err.str();
  const Bitmap24 frame = Load(dir.File("out.png"));
  EXPECT_EQ(frame.GetPixel(19, 10), newPicture.GetPixel(19, 10));
  EXPECT_EQ(frame.GetPixel(20, 10), oldPicture.GetPixel(20, 10));
  ASSERT_EQ(Run({"frame", "--effect", "5", "--progress", "0", "OLD", "NEW", "OUT"}), 0);
  EXPECT_EQ(Load(dir.File("out.png")), oldPicture);
  ASSERT_EQ(Run({"frame", "--effect", "5", "--progress", "100", "OLD", "NEW", "OUT"}), 0);
  EXPECT_EQ(Load(dir.File("out.png")), newPicture);
}

TEST_F(EffectsCli, SequenceWritesEveryFrameByProgress) {
  ASSERT_TRUE(EffectImplemented(5)) << "the reveal effects are built";
  const std::string frames = dir.File("frames");
  ASSERT_EQ(Run({"sequence", "--effect", "5", "--step", "30", "OLD", "NEW", frames}), 0) << err.str();
  EXPECT_EQ(out.str(), "5 frames\n");
  EXPECT_EQ(Load(frames + "/frame-000.png"), oldPicture);
  EXPECT_EQ(Load(frames + "/frame-060.png").GetPixel(23, 0), newPicture.GetPixel(23, 0));
  EXPECT_EQ(Load(frames + "/frame-060.png").GetPixel(24, 0), oldPicture.GetPixel(24, 0));
  EXPECT_EQ(Load(frames + "/frame-100.png"), newPicture);
}

TEST_F(EffectsCli, SequenceOfNoEffectIsOneFrame) {
  const std::string frames = dir.File("frames");
  ASSERT_EQ(Run({"sequence", "--effect", "0", "OLD", "NEW", frames}), 0) << err.str();
  EXPECT_EQ(out.str(), "1 frames\n");
  EXPECT_EQ(Load(frames + "/frame-100.png"), newPicture);
}

TEST_F(EffectsCli, SheetShowsEveryEffectAtEachProgress) {
  ASSERT_EQ(Run({"sheet", "--effects", "0", "--progress", "10,90", "OLD", "NEW", "OUT"}), 0) << err.str();
  const Bitmap24 sheet = Load(dir.File("out.png"));
  EXPECT_GT(sheet.Width(), 2 * 40);
  EXPECT_GT(sheet.Height(), 30);
}

TEST_F(EffectsCli, RefusesWhatItCannotDraw) {
  const int unbuilt = FirstUnbuilt();
  if (unbuilt != 0) {
    EXPECT_EQ(Run({"frame", "--effect", std::to_string(unbuilt), "--progress", "50", "OLD", "NEW", "OUT"}), 1);
    EXPECT_NE(err.str().find("is not built yet"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"sheet", "--effects", "0," + std::to_string(unbuilt), "OLD", "NEW", "OUT"}), 1);
  }
  EXPECT_EQ(Run({"frame", "--effect", "151", "--progress", "50", "OLD", "NEW", "OUT"}), 1);
  EXPECT_NE(err.str().find("There is no effect 151"), std::string::npos) << err.str();
  WritePNG(Striped(41, 30, 0), dir.File("wide.png"));
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "50", "OLD", dir.File("wide.png"), "OUT"}), 1);
  EXPECT_NE(err.str().find("differ in size"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "50", "OLD", dir.File("none.png"), "OUT"}), 1);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "50", "OLD", "NEW", dir.File("no/such/dir/out.png")}), 1);
  EXPECT_FALSE(err.str().empty());
}

TEST_F(EffectsCli, RejectsMalformedCommandLines) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "OLD", "NEW", "OUT"}), 2) << "no progress";
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "101", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "5", "--step", "0", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "x", "--progress", "5", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "5", "--bogus", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"sequence", "--effect", "0", "--progress", "5", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"sheet", "--effect", "5", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"sheet", "--effects", "3-1", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "5", "--seed", "4294967296", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "5", "--seed", "-1", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "5", "--seed", "", "OLD", "NEW", "OUT"}), 2);
  EXPECT_EQ(Run({"frame", "--effect", "0", "--progress", "5", "--seed", "4294967295", "OLD", "NEW", "OUT"}), 0)
      << "every state of the generator is a seed";
  EXPECT_EQ(Run({"list", "extra"}), 2);
  EXPECT_EQ(Run({"draw"}), 2);
  EXPECT_EQ(Run({"--help"}), 0);
}

// The gallery: a tile for every row of the table, a preview for every
// built effect that plays the whole change, at the size asked for, with the
// holds before and after it.
TEST_F(EffectsCli, GalleryShowsEveryEffect) {
  const std::string folder = dir.File("gallery");
  ASSERT_EQ(Run({"gallery", "--size", "32x24", folder}), 0) << err.str();
  const std::vector<int> built = BuiltEffects();
  EXPECT_NE(out.str().find("150 effects, " + std::to_string(built.size()) + " previews"), std::string::npos)
      << out.str();
  const std::string html = ReadText(folder + "/index.html");
  for (int n = 1; n <= kEffectCount; ++n) {
    const std::string tile = "<figure id=\"effect-" + std::to_string(n) + "\">";
    const std::size_t at = html.find(tile);
    ASSERT_NE(at, std::string::npos) << n;
    const std::string rest = html.substr(at, html.find("</figure>", at) - at);
    EXPECT_NE(rest.find("<b>" + std::to_string(n) + "</b>" + FindEffect(n)->Name), std::string::npos) << rest;
    char preview[32];
    std::snprintf(preview, sizeof preview, "effects/%03d.webp", n);
    EXPECT_EQ(rest.find(preview) != std::string::npos, EffectImplemented(n)) << rest;
  }
  for (int n : built) {
    char file[32];
    std::snprintf(file, sizeof file, "/effects/%03d.webp", n);
    const Animation a = DecodeAnimation(folder + file);
    ASSERT_EQ(a.width, 32) << n;
    EXPECT_EQ(a.height, 24) << n;
    EXPECT_EQ(a.loops, 0) << "forever";
    // 0, 4, ..., 100: the holds and 24 frames between (frames that repeat
    // the one before are merged, their time kept).
    EXPECT_EQ(a.milliseconds, 700 + 24 * 45 + 1300) << n;
    EXPECT_GE(a.frames.size(), 2u) << n;
    EXPECT_LT(MeanDifference(a.frames.front(), FitPhoto(SamplePhotos()[0], 32, 24)), 12.0) << n;
    EXPECT_LT(MeanDifference(a.frames.back(), FitPhoto(SamplePhotos()[1], 32, 24)), 12.0) << n;
  }
}

TEST_F(EffectsCli, GalleryFromTwoPhotosOfOtherSizes) {
  WritePNG(Striped(90, 20, 30), dir.File("wide.png"));
  WritePNG(Striped(10, 60, 90), dir.File("tall.png"));
  const std::string folder = dir.File("mine");
  ASSERT_EQ(Run({"gallery", "--photos", dir.File("wide.png"), dir.File("tall.png"), "--size=24x16", "--step", "50",
                 folder}),
            0)
      << err.str();
  const Animation a = DecodeAnimation(folder + "/effects/005.webp");
  EXPECT_EQ(a.milliseconds, 700 + 45 + 1300);
  EXPECT_EQ(Run({"gallery", "--photos", dir.File("wide.png"), folder}), 2);
  EXPECT_EQ(Run({"gallery", "--size", "8x8", folder}), 2);
  EXPECT_EQ(Run({"gallery", "--photos", dir.File("wide.png"), dir.File("none.png"), folder}), 1);
}

TEST(FitPhoto, CutsToTheProportionsAboutTheCentre) {
  Bitmap24 photo(100, 50, RGBColor(0, 0, 255));
  photo.FillRect({25, 0, 75, 50}, RGBColor(255, 0, 0));
  const Bitmap24 fitted = FitPhoto(photo, 20, 20);
  EXPECT_EQ(fitted, Bitmap24(20, 20, RGBColor(255, 0, 0))) << "the middle square";
  const Bitmap24 small = FitPhoto(Bitmap24(4, 3, RGBColor(1, 2, 3)), 40, 30);
  EXPECT_EQ(small, Bitmap24(40, 30, RGBColor(1, 2, 3))) << "enlarged";
}

}  // namespace
}  // namespace kestro::effects_tool
