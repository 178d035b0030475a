#include "saver/run_vorelscreen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "music/music.h"
#include "raster/draw.h"
#include "saver/runner_fixture.h"

namespace kestro::testing {
namespace {

bool AllPixels(const Bitmap24& b, TColor color) {
  for (std::int32_t y = 0; y < b.Height(); ++y) {
    for (std::int32_t x = 0; x < b.Width(); ++x) {
      if (b.GetPixel(x, y) != color) return false;
    }
  }
  return true;
}

bool WindowShowsOnly(const platform::Window& w, TColor color) {
  for (std::int32_t y = 0; y < w.ClientHeight(); ++y) {
    for (std::int32_t x = 0; x < w.ClientWidth(); ++x) {
      if (SurfacePixel(w, x, y) != color) return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- helpers

TEST(RunnerHelpers, EffectKeyDropsBracketsAndFolders) {
  EXPECT_EQ(EffectKey("C:\\pics\\[a].jpg"), "a.jpg");
  EXPECT_EQ(EffectKey("/tmp/x[1]/[b]][.png"), "b.png");
  EXPECT_EQ(EffectKey("plain.bmp"), "plain.bmp");
}

TEST(RunnerHelpers, BaseNameOfCutsTheExtensionAtTheEnd) {
  EXPECT_EQ(BaseNameOf("C:\\pics\\beach.jpg"), "beach");
  EXPECT_EQ(BaseNameOf("/p/beach.jpg.old.jpg"), "beach.jpg.old");
  EXPECT_EQ(BaseNameOf("/p/noext"), "noext");
  EXPECT_EQ(BaseNameOf("/p/[a].jpg"), "[a]");
}

TEST(RunnerHelpers, IntervalIsAtLeastOneSecondAndFitsTheTimer) {
  EXPECT_EQ(IntervalMilliseconds(8), 8000u);
  EXPECT_EQ(IntervalMilliseconds(0), 1000u);
  EXPECT_EQ(IntervalMilliseconds(-5), 1000u);
  EXPECT_EQ(IntervalMilliseconds(1000), 1000000u);
  EXPECT_EQ(IntervalMilliseconds(0x7FFFFFFF), 4294967000u) << "no overflow";
}

TEST(RunnerHelpers, ChooseEffectDrawsOnlyBuiltMembers) {
  EXPECT_EQ(ChooseEffect(TEffectSet{}), 0);
  TEffectSet edges;
  edges.set(0);
  edges.set(151);
  EXPECT_EQ(ChooseEffect(edges), 0) << "0 and 151 are no effects to draw";
  int unbuilt = 0;
  for (int n = 1; n <= kEffectCount && unbuilt == 0; ++n) {
    if (!EffectImplemented(n)) unbuilt = n;
  }
  if (unbuilt != 0) {
    TEffectSet only;
    only.set(static_cast<std::size_t>(unbuilt));
    EXPECT_EQ(ChooseEffect(only), 0) << "a set of unbuilt effects gives the change without effect";
    only.set(5);
    RandomState = 7;
    for (int i = 0; i < 50; ++i) EXPECT_EQ(ChooseEffect(only), 5);
  }
  // Uniform draws over 1..150 until a member: the state moves as many times.
  TEffectSet pair;
  pair.set(3);
  pair.set(40);
  RandomState = 99;
  std::uint32_t state = 99;
  std::set<int> seen;
  for (int i = 0; i < 40; ++i) {
    const int got = ChooseEffect(pair);
    seen.insert(got);
    int expected = 0;
    do {
      state = state * 134775813u + 1u;
      expected = static_cast<int>((static_cast<std::uint64_t>(state) * 150u) >> 32) + 1;
    } while (expected != 3 && expected != 40);
    ASSERT_EQ(got, expected) << i;
    ASSERT_EQ(RandomState, state);
  }
  EXPECT_EQ(seen, (std::set<int>{3, 40}));
}

TEST(RunnerHelpers, ComplementFileComplementsEveryByteAndReplacesTheTarget) {
  TempDir dir;
  const std::string data = RandomBytes(200000, 3);  // more than one buffer
  WriteFile(dir.File("in.bin"), data);
  WriteFile(dir.File("out.bin"), std::string(300000, 'x'));
  ComplementFile(dir.File("in.bin"), dir.File("out.bin"));
  const std::string out = ReadFile(dir.File("out.bin"));
  ASSERT_EQ(out.size(), data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    ASSERT_EQ(static_cast<std::uint8_t>(out[i]), 255 - static_cast<std::uint8_t>(data[i])) << i;
  }
  EXPECT_THROW(ComplementFile(dir.File("missing.bin"), dir.File("out2.bin")), EFOpenError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out2.bin")));
  EXPECT_NO_THROW(ComplementFile(dir.File("in.bin"), dir.File("no-such-folder/out.bin")));
}

// ---------------------------------------------------------------- settings

TEST_F(RunnerTest, ConstructionSetsUpTheComponentAndTheTimer) {
  SaverSetting.ImageSize = 2;
  SaverSetting.BackgroundColor = RGBColor(10, 20, 30);
  SaverSetting.EffectSpeed2 = 1;
  SaverSetting.CaptionPosition = 5;
  SaverSetting.CaptionX = 33;
  SaverSetting.CaptionY = 44;
  SaverSetting.CaptionFontName = "Arial";
  SaverSetting.CaptionFontSize = 14;
  SaverSetting.CaptionFontColor = RGBColor(1, 2, 3);
  SaverSetting.CaptionFontItalic = true;
  SaverSetting.CaptionFontStrikeout = true;
  SaverSetting.TransparentMode = true;
  SaverSetting.TransparentModeColor = RGBColor(4, 5, 6);
  SaverSetting.MediaPlayerMp3 = true;
  Start();
  const TVorelscreen& d = runner->Display();
  EXPECT_EQ(d.Align(), TAlign::alClient);
  EXPECT_EQ(d.Width(), 200);
  EXPECT_EQ(d.Height(), 100);
  EXPECT_FALSE(d.AutoSize());
  EXPECT_EQ(d.BgMode(), TBackgroundMode::bmNone);
  EXPECT_TRUE(d.Center());
  EXPECT_FALSE(d.Stretch());
  EXPECT_TRUE(d.Threaded());
  EXPECT_FALSE(d.Reverse());
  EXPECT_FALSE(d.PadToClient);
  EXPECT_EQ(d.FitMode, 2);
  EXPECT_EQ(d.Color(), RGBColor(10, 20, 30));
  EXPECT_EQ(d.Step(), 10);
  EXPECT_EQ(d.Delay(), 1);
  EXPECT_EQ(d.CaptionPosition, 5);
  EXPECT_EQ(d.CaptionX, 33);
  EXPECT_EQ(d.CaptionY, 44);
  EXPECT_EQ(d.CaptionFont.name, "Arial");
  EXPECT_EQ(d.CaptionFont.size, 14);
  EXPECT_EQ(d.CaptionFont.color, RGBColor(1, 2, 3));
  EXPECT_FALSE(d.CaptionFont.bold);
  EXPECT_TRUE(d.CaptionFont.italic);
  EXPECT_FALSE(d.CaptionFont.underline);
  EXPECT_TRUE(d.CaptionFont.strikeout);
  EXPECT_TRUE(d.Transparent);
  EXPECT_EQ(d.TransparentColor, RGBColor(4, 5, 6));
  EXPECT_EQ(d.BackFillMode, 0);
  EXPECT_TRUE(MediaPlayerMp3Flag);
  EXPECT_TRUE(runner->TickTimer().Enabled());
  EXPECT_EQ(runner->TickTimer().Interval(), 100u);
  EXPECT_EQ(runner->PictureIndex(), -1);
  EXPECT_TRUE(runner->CurrentFile().empty());
  EXPECT_TRUE(runner->FirstTick());
  EXPECT_FALSE(runner->IsPreview());
  MediaPlayerMp3Flag = false;
}

TEST_F(RunnerTest, SpeedPresetsAndOutOfRangeSpeeds) {
  const std::vector<std::pair<int, std::pair<int, int>>> table{
      {1, {10, 1}}, {2, {6, 20}}, {3, {4, 30}}, {4, {2, 30}}, {5, {1, 30}}, {0, {4, 30}}, {6, {4, 30}}, {-1, {4, 30}}};
  for (const auto& [speed, expected] : table) {
    SaverSetting.EffectSpeed2 = speed;
    Start();
    EXPECT_EQ(runner->Display().Step(), expected.first) << speed;
    EXPECT_EQ(runner->Display().Delay(), expected.second) << speed;
    runner.reset();
  }
}

TEST_F(RunnerTest, FillPictureTiledStretchedOrAbsent) {
  const std::string fill = WritePicture("fill.bmp", PositionBitmap(16, 8, 1));
  SaverSetting.Back_Mode_UseColor = false;
  SaverSetting.Back_Image_Filename = fill;
  SaverSetting.Back_Image_UseTiled = true;
  Start();
  EXPECT_EQ(runner->Display().BackFillMode, 1);
  ASSERT_NE(runner->Display().BackFillPicture, nullptr);
  EXPECT_EQ(runner->Display().BackFillPicture->Width(), 16);
  runner.reset();

  SaverSetting.Back_Image_UseTiled = false;
  Start();
  EXPECT_EQ(runner->Display().BackFillMode, 2);
  runner.reset();

  SaverSetting.Back_Image_Filename = dir.File("missing.bmp");
  Start();
  EXPECT_EQ(runner->Display().BackFillMode, 0);
  runner.reset();

  WriteFile(dir.File("broken.bmp"), "BM not a bitmap");
  SaverSetting.Back_Image_Filename = dir.File("broken.bmp");
  Start();
  EXPECT_EQ(runner->Display().BackFillMode, 0) << "a fill picture that does not load leaves the colour";
  runner.reset();

  SaverSetting.Back_Image_Filename = fill;
  SaverSetting.Back_Mode_UseColor = true;
  Start();
  EXPECT_EQ(runner->Display().BackFillMode, 0);
}

// ---------------------------------------------------------------- pacing

TEST_F(RunnerTest, TheIntervalCountsFromTheEndOfTheChange) {
  SaverSetting.ImageInterval = 8;
  SaverSetting.EffectSpeed2 = 3;
  SaverSetting.EnabledEffects = Effects({5});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  Start();
  RunChanges(3);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].start, 100u) << "the first picture comes 100 ms after the start";
  for (const ChangeRecord& c : changes) {
    std::vector<int> steps;
    for (const auto& f : c.frames) {
      if (f.second > 0) steps.push_back(f.second);
    }
    ASSERT_EQ(steps.size(), 25u) << "4, 8, .., 100";
    std::vector<std::uint64_t> times;
    for (const auto& f : c.frames) {
      if (f.second > 0) times.push_back(f.first);
    }
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 30u);
    EXPECT_GE(c.end - c.start, 24u * 30u);
    EXPECT_EQ(c.style, 5);
  }
  for (std::size_t i = 1; i < changes.size(); ++i) {
    EXPECT_EQ(changes[i].start - changes[i - 1].end, 8000u) << "the picture stands still 8 s, then changes";
  }
  EXPECT_EQ(runner->TickTimer().Interval(), 8000u);
}

TEST_F(RunnerTest, InOrderGoesRoundTheList) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.EnabledEffects = Effects({1});
  AddPicture("p0.bmp", PositionBitmap(60, 40, 1));
  AddPicture("p1.bmp", PositionBitmap(60, 40, 2));
  AddPicture("p2.bmp", PositionBitmap(60, 40, 3));
  Start();
  RunChanges(7);
  EXPECT_EQ(Indexes(), (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
  EXPECT_EQ(changes[2].file, SaverSetting.PictureList[2]);
  // The window shows the last picture, centred on the background.
  Bitmap24 expected(200, 100, 0);
  Draw(expected, 70, 30, PositionBitmap(60, 40, 1));
  EXPECT_TRUE(SurfaceShows(*window, {0, 0, 200, 100}, expected));
}

TEST_F(RunnerTest, ShuffleWithOnePictureRepeatsItWithAFreshEffect) {
  SaverSetting.ImageSequence = 1;
  SaverSetting.ImageInterval = 1;
  SaverSetting.EffectSpeed2 = 1;
  TEffectSet effects;
  for (int n = 1; n <= 57; ++n) {
    if (EffectImplemented(n)) effects.set(static_cast<std::size_t>(n));
  }
  ASSERT_TRUE(effects.any());
  SaverSetting.EnabledEffects = effects;
  AddPicture("only.bmp", PositionBitmap(60, 40, 1));
  // The draws of the show: one shuffle draw, then the effect draws.
  std::uint32_t state = RandomState;
  auto draw = [&state](std::uint32_t n) {
    state = state * 134775813u + 1u;
    return static_cast<int>((static_cast<std::uint64_t>(state) * n) >> 32);
  };
  std::vector<int> expected;
  for (int i = 0; i < 8; ++i) {
    draw(1);
    int n = 0;
    do n = draw(150) + 1;
    while (!effects.test(static_cast<std::size_t>(n)));
    expected.push_back(n);
  }
  Start();
  RunChanges(8);
  EXPECT_EQ(Indexes(), std::vector<int>(8, 0));
  EXPECT_EQ(Styles(), expected);
  EXPECT_GT(std::set<int>(expected.begin(), expected.end()).size(), 1u);
}

TEST_F(RunnerTest, ShuffleWithTwoPicturesAlternates) {
  SaverSetting.ImageSequence = 1;
  SaverSetting.ImageInterval = 1;
  SaverSetting.EnabledEffects = Effects({3});
  AddPicture("p0.bmp", PositionBitmap(60, 40, 1));
  AddPicture("p1.bmp", PositionBitmap(60, 40, 2));
  Start();
  RunChanges(12);
  ASSERT_EQ(changes.size(), 12u);
  for (std::size_t i = 1; i < changes.size(); ++i) EXPECT_NE(changes[i].index, changes[i - 1].index) << i;
}

TEST_F(RunnerTest, NoEnabledEffectsShowsEachPictureAtOnceIntervalApart) {
  SaverSetting.ImageInterval = 2;
  AddPicture("p0.bmp", PositionBitmap(60, 40, 1));
  AddPicture("p1.bmp", PositionBitmap(60, 40, 2));
  Start();
  RunChanges(4);
  EXPECT_EQ(Styles(), (std::vector<int>{0, 0, 0, 0}));
  for (std::size_t i = 0; i < changes.size(); ++i) {
    EXPECT_LE(changes[i].end - changes[i].start, 30u) << "no transition";
    if (i > 0) {
      EXPECT_EQ(changes[i].start - changes[i - 1].end, 2000u);
    }
  }
}

TEST_F(RunnerTest, APicturesOwnEffectListWins) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.EffectSpeed2 = 1;
  SaverSetting.EnabledEffects = Effects({1, 2, 3});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  SetPayloadSettings("[effects]\r\nB.BMP=5,\r\n");
  Start();
  RunChanges(8);
  ASSERT_EQ(changes.size(), 8u);
  for (const ChangeRecord& c : changes) {
    if (c.index == 1) {
      EXPECT_EQ(c.style, 5);
    } else {
      EXPECT_TRUE(c.style >= 1 && c.style <= 3) << c.style;
    }
  }
}

TEST_F(RunnerTest, EffectListsOfOnlyZeroOr151GiveNoEffect) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.EnabledEffects = Effects({0, 151});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  SetPayloadSettings("[effects]\r\na.bmp=151,0,\r\n");
  Start();
  RunChanges(4);
  EXPECT_EQ(Styles(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(RunnerTest, ClearOldImageStartsEachChangeFromTheBareBackground) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.BackgroundColor = RGBColor(0, 0, 200);
  SaverSetting.EnabledEffects = Effects({5});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  std::vector<bool> bare;
  onChangeStart = [&](ChangeRecord&) {
    const Bitmap24* old = runner->Display().OldScreen();
    bare.push_back(old != nullptr && AllPixels(*old, RGBColor(0, 0, 200)) &&
                   WindowShowsOnly(*window, RGBColor(0, 0, 200)));
  };
  SaverSetting.ClearOldImage = false;
  Start();
  RunChanges(3);
  ASSERT_EQ(bare.size(), 3u);
  EXPECT_FALSE(bare[1]) << "without clearing, the change starts from the old picture";
  EXPECT_FALSE(bare[2]);

  runner.reset();
  changes.clear();
  completed = 0;
  bare.clear();
  SaverSetting.ClearOldImage = true;
  Start();
  RunChanges(3);
  ASSERT_EQ(bare.size(), 3u);
  EXPECT_TRUE(bare[1]);
  EXPECT_TRUE(bare[2]);
  EXPECT_TRUE(SurfaceShows(*window, {70, 30, 130, 70}, PositionBitmap(60, 40, 1), 70, 30))
      << "the new picture grows over the background";
}

TEST_F(RunnerTest, TheSplashComesFirstAtOnceThenThePicturesWithEffects) {
  SaverSetting.ImageInterval = 3;
  SaverSetting.EnabledEffects = Effects({5});
  SaverSetting.ShowSplash = true;
  SaverSetting.SplashImage = WritePicture("splash.bmp", PositionBitmap(80, 50, 9));
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  Start();
  RunChanges(1);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].style, 0);
  EXPECT_EQ(changes[0].start, 100u);
  EXPECT_LE(changes[0].end - changes[0].start, 30u) << "shown at once";
  EXPECT_TRUE(changes[0].file.empty());
  EXPECT_TRUE(SurfaceShows(*window, {60, 25, 140, 75}, PositionBitmap(80, 50, 9), 60, 25));
  EXPECT_FALSE(runner->FirstTick());
  RunChanges(4);
  EXPECT_EQ(Styles(), (std::vector<int>{0, 5, 5, 5}));
  EXPECT_EQ(Indexes(), (std::vector<int>{-1, 0, 1, 0})) << "the splash never comes again";
  EXPECT_EQ(changes[1].start - changes[0].end, 3000u);
}

TEST_F(RunnerTest, ASplashThatDoesNotResolveIsSkipped) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.EnabledEffects = Effects({5});
  SaverSetting.ShowSplash = true;
  SaverSetting.SplashImage = dir.File("missing-splash.bmp");
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  Start();
  RunChanges(2);
  EXPECT_EQ(Indexes(), (std::vector<int>{0, 0}));
  EXPECT_EQ(Styles(), (std::vector<int>{5, 5}));
}

TEST_F(RunnerTest, RandomPlacementStartsWithTheSecondPicture) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.RandomPosition = true;
  SaverSetting.EnabledEffects = Effects({5});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  std::vector<int> widths;
  onCompleted = [&] { widths.push_back(runner->Display().Picture().Width()); };
  Start();
  RunChanges(3);
  EXPECT_EQ(widths, (std::vector<int>{60, 200, 200})) << "the first is prepared centred, later ones on the control";
}

// ---------------------------------------------------------------- captions

TEST_F(RunnerTest, CaptionsComeFromTheSettingsOrTheFileName) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.CaptionPosition = 3;
  SaverSetting.EnabledEffects = Effects({7});
  AddPicture("[a].bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  SetPayloadSettings("[captions]\r\n[a].bmp=Alpha\r\n[effects]\r\na.bmp=5,\r\n");
  Start();
  RunChanges(2);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].caption, "Alpha") << "captions: the file name as it is";
  EXPECT_EQ(changes[0].style, 5) << "effects: the file name without brackets";
  EXPECT_EQ(changes[1].caption, "b");
  EXPECT_EQ(changes[1].style, 7);
  // The caption is drawn into the prepared picture: 7 x 16 per character.
  EXPECT_FALSE(text.drawn.empty());
  const TColor white = RGBColor(255, 255, 255);
  EXPECT_EQ(SurfacePixel(*window, 100, 100 - 26 + 1), white) << "at the bottom of the window";
}

TEST_F(RunnerTest, CaptionsStayOffWhenHiddenOrWithoutPosition) {
  SaverSetting.ImageInterval = 1;
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  SaverSetting.CaptionPosition = 0;
  Start();
  RunChanges(1);
  EXPECT_EQ(changes.back().caption, "");
  runner.reset();
  SaverSetting.CaptionPosition = 1;
  SaverSetting.CaptionForceHide = true;
  Start();
  RunChanges(2);
  EXPECT_EQ(changes.back().caption, "");
  EXPECT_TRUE(text.drawn.empty());
}

// ---------------------------------------------------------------- preview

TEST_F(RunnerTest, ThePreviewHasNoCaptionNoFillPictureAndPadsToTheClient) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.CaptionPosition = 1;
  SaverSetting.Back_Mode_UseColor = false;
  SaverSetting.Back_Image_Filename = WritePicture("fill.bmp", PositionBitmap(8, 8, 5));
  SetPayloadSettings("[captions]\r\na.bmp=Alpha\r\n");
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  Start(/*preview=*/true);
  EXPECT_TRUE(runner->IsPreview());
  EXPECT_TRUE(runner->Display().PadToClient);
  EXPECT_EQ(runner->Display().BackFillMode, 0);
  RunChanges(1);
  EXPECT_EQ(changes[0].caption, "");
  EXPECT_TRUE(text.drawn.empty());
  EXPECT_EQ(runner->Display().Picture().Width(), 203);
  EXPECT_EQ(runner->Display().Picture().Height(), 103);
  runner.reset();

  // The full-screen runner with the same settings has both.
  changes.clear();
  completed = 0;
  Start();
  EXPECT_EQ(runner->Display().BackFillMode, 1);
  RunChanges(1);
  EXPECT_EQ(changes[0].caption, "Alpha");
  EXPECT_FALSE(text.drawn.empty());
}

// ---------------------------------------------------------------- complemented pictures

TEST_F(RunnerTest, ComplementedPicturesLoadThroughATemporaryFile) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.ImageEncrypt = true;
  const Bitmap24 picture = PositionBitmap(60, 40, 4);
  const std::string clear = WritePicture("clear.bmp", picture);
  std::string bytes = ReadFile(clear);
  for (char& c : bytes) c = static_cast<char>(~c);
  WriteFile(dir.File("secret.bmp"), bytes);
  SaverSetting.PictureList.push_back(dir.File("secret.bmp"));
  Start();
  RunChanges(1);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_TRUE(SurfaceShows(*window, {70, 30, 130, 70}, picture, 70, 30));
  EXPECT_FALSE(std::filesystem::exists(SaverSetting.TempImageFile + ".bmp")) << "the clear copy is gone";
  EXPECT_TRUE(std::filesystem::exists(dir.File("secret.bmp")));
}

TEST_F(RunnerTest, LoadComplementedWithoutSourceLoadsNothingAndRaises) {
  Start();
  EXPECT_THROW(runner->LoadComplemented(dir.File("gone.bmp")), EFOpenError);
  EXPECT_FALSE(runner->Display().Picture().HasGraphic());
  EXPECT_FALSE(std::filesystem::exists(SaverSetting.TempImageFile + ".bmp"));
}

// ---------------------------------------------------------------- the show goes on

// A tick that starts no change re-arms the timer: a first picture that
// cannot be loaded does not freeze the show.
TEST_F(RunnerTest, AShowWhoseFirstPictureFailsTriesTheNextAfterTheInterval) {
  SaverSetting.ImageInterval = 2;
  SaverSetting.EnabledEffects = Effects({5});
  SaverSetting.PictureList.push_back(dir.File("missing.bmp"));
  WriteFile(dir.File("broken.bmp"), "BM broken");
  SaverSetting.PictureList.push_back(dir.File("broken.bmp"));
  AddPicture("good.bmp", PositionBitmap(60, 40, 1));
  Start();
  ui.Advance(100);
  EXPECT_FALSE(runner->Display().Busy());
  EXPECT_TRUE(runner->TickTimer().Enabled());
  EXPECT_EQ(runner->TickTimer().Interval(), 2000u);
  EXPECT_EQ(runner->PictureIndex(), 0);
  RunChanges(1);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].index, 2);
  EXPECT_EQ(changes[0].start, 4100u) << "missing at 100 ms, broken at 2100 ms, good at 4100 ms";
  // Once a picture was shown, a missing or broken one changes towards it again.
  RunChanges(3);
  EXPECT_EQ(Indexes(), (std::vector<int>{2, 0, 1}));
  EXPECT_TRUE(SurfaceShows(*window, {70, 30, 130, 70}, PositionBitmap(60, 40, 1), 70, 30));
}

TEST_F(RunnerTest, AnEmptyListShowsTheBackgroundAndKeepsTicking) {
  SaverSetting.ImageInterval = 1;
  Start();
  ui.Advance(5000);
  EXPECT_TRUE(changes.empty());
  EXPECT_TRUE(runner->FirstTick());
  EXPECT_TRUE(runner->TickTimer().Enabled());
  EXPECT_EQ(runner->PictureIndex(), -1);
}

TEST_F(RunnerTest, AFailedPreparationIsSwallowedAndTheShowGoesOn) {
  SaverSetting.ImageInterval = 1;
  SaverSetting.EnabledEffects = Effects({5});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  Start();
  RunChanges(1);
  // The next change fails while it is prepared (its frame at 0 raises).
  auto recording = runner->Display().OnProgress;
  bool failed = false;
  runner->Display().OnProgress = [&](TCustomVorelscreen& s) {
    if (!failed && s.Progress() == 0) {
      failed = true;
      throw std::runtime_error("frame failed");
    }
    recording(s);
  };
  RunChanges(2);
  EXPECT_TRUE(failed);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].index, 0) << "the tick after the failure goes on with the next picture";
  EXPECT_EQ(changes[1].start - changes[0].end, 2000u) << "one interval lost to the failed change";
}

TEST_F(RunnerTest, AnIntervalBelowOneSecondCountsAsOneSecond) {
  SaverSetting.EnabledEffects = Effects({5});
  SaverSetting.EffectSpeed2 = 1;
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  AddPicture("b.bmp", PositionBitmap(60, 40, 2));
  for (const int interval : {0, -3}) {
    SaverSetting.ImageInterval = interval;
    changes.clear();
    completed = 0;
    Start();
    RunChanges(3, 20000);
    ASSERT_EQ(changes.size(), 3u) << interval;
    EXPECT_EQ(Indexes(), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(changes[2].start - changes[1].end, 1000u);
    runner.reset();
  }
}

// ---------------------------------------------------------------- lifetime

TEST_F(RunnerTest, DestroyingTheRunnerDuringAChangeStopsItAndFreesTheTimer) {
  SaverSetting.EnabledEffects = Effects({5});
  AddPicture("a.bmp", PositionBitmap(60, 40, 1));
  const std::size_t timersBefore = ui.LiveTimers();
  Start();
  EXPECT_EQ(ui.LiveTimers(), timersBefore + 1);
  ui.Advance(200);
  ASSERT_TRUE(runner->Display().Busy());
  runner.reset();
  EXPECT_EQ(ui.LiveTimers(), timersBefore);
  EXPECT_EQ(ui.LiveThreads(), 0u);
  EXPECT_EQ(completed, 0);
  ui.Advance(5000);
  window->InvalidateAll();
  window->Update();  // the window's handlers no longer reach the component
}

}  // namespace
}  // namespace kestro::testing
