#include <gtest/gtest.h>

#include <sstream>

#include "cli.h"
#include "imaging/graphic.h"
#include "imaging/load_picture.h"
#include "png_writer.h"
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

TEST_F(EffectsCli, ListsAllEffectsWithTheirState) {
  ASSERT_EQ(Run({"list"}), 0);
  std::istringstream lines(out.str());
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    const std::string expected = std::to_string(count) + "\t" + FindEffect(count)->Name + "\t" +
                                 (EffectImplemented(count) ? "built" : "not built");
    EXPECT_EQ(line, expected);
  }
  EXPECT_EQ(count, 150);
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

}  // namespace
}  // namespace kestro::effects_tool
