#include "transition/vorelscreen.h"

#include <gtest/gtest.h>

#include <numeric>

#include "platform/api/clock.h"
#include "raster/draw.h"
#include "support/temp_dir.h"
#include "transition/display_fixture.h"

namespace kestro::testing {
namespace {

std::vector<int> Range(int first, int last, int step) {
  std::vector<int> v;
  for (int p = first; step > 0 ? p <= last : p >= last; p += step) v.push_back(p);
  return v;
}

// The first effect number whose drawing is not built: one from 1 to 150
// while any is missing, else 151, which no effect has.
int UnbuiltEffect() {
  for (int n = 1; n <= kEffectCount; ++n) {
    if (!EffectImplemented(n)) return n;
  }
  return kEffectCount + 1;
}

TEST_F(DisplayTest, StartsWithItsInitialValuesAndClampsStep) {
  platform::WindowParams params;
  auto other = ui.NewWindow(params);
  TVorelscreen fresh(*other);
  EXPECT_EQ(fresh.Style(), 101);
  EXPECT_EQ(fresh.Step(), 4);
  EXPECT_EQ(fresh.Delay(), 30);
  EXPECT_TRUE(fresh.Threaded());
  EXPECT_TRUE(fresh.AutoSize());
  EXPECT_EQ(fresh.BgMode(), TBackgroundMode::bmTiled);
  EXPECT_EQ(fresh.ThreadPriority(), TThreadPriority::tpNormal);
  EXPECT_EQ(fresh.Width(), 100);
  EXPECT_EQ(fresh.Height(), 100);
  EXPECT_EQ(fresh.Progress(), 0);
  EXPECT_FALSE(fresh.Busy());
  fresh.SetStep(0);
  EXPECT_EQ(fresh.Step(), 1);
  fresh.SetStep(250);
  EXPECT_EQ(fresh.Step(), 100);
  fresh.SetStep(7);
  EXPECT_EQ(fresh.Step(), 7);
}

TEST_F(DisplayTest, HooksIntoItsParentAndGivesItBack) {
  int ownPaints = 0;
  platform::WindowParams params;
  params.bounds = {0, 0, 50, 40};
  auto host = ui.NewWindow(params);
  host->onPaint = [&](platform::PaintContext&) { ++ownPaints; };
  {
    TVorelscreen inner(*host);
    inner.SetBounds(10, 5, 20, 20);
    host->InvalidateAll();
    host->Update();
    EXPECT_EQ(ownPaints, 1) << "the window's own handler still runs";
  }
  host->InvalidateAll();
  host->Update();
  EXPECT_EQ(ownPaints, 2);
}

// Frames of a change with Style 0 and a custom-draw handler: one per step.
class FrameSequence : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    display->SetStyle(0);
    display->OnCustomDraw = [this](TCustomVorelscreen& s, Bitmap24&, Bitmap24&) { drawn.push_back(s.Progress()); };
    SetBitmap(display->Picture(), PositionBitmap(40, 30));
  }
  std::vector<int> drawn;
};

TEST_F(FrameSequence, ForwardStep4Draws25Frames) {
  display->Execute();
  EXPECT_TRUE(display->Busy());
  RunUntilDone();
  EXPECT_EQ(progress, Range(4, 100, 4)) << "no frame at 0 for the first change";
  EXPECT_EQ(drawn, progress);
  EXPECT_EQ(completed, 1);
  EXPECT_FALSE(display->Busy());
  EXPECT_EQ(display->OldScreen(), nullptr) << "the change's bitmaps are freed";
  EXPECT_EQ(display->Screen(), BitmapOf(display->Picture())) << "the last frame is the new picture whole";
}

TEST_F(FrameSequence, ForwardStep6ClampsTheLastStep) {
  display->SetStep(6);
  display->Execute();
  RunUntilDone();
  std::vector<int> expected = Range(6, 96, 6);
  expected.push_back(100);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(completed, 1);
}

TEST_F(FrameSequence, ReverseStep6RunsDownToZero) {
  display->SetStep(6);
  display->SetReverse(true);
  display->Execute();
  RunUntilDone();
  std::vector<int> expected{100};
  for (int p : Range(94, 4, -6)) expected.push_back(p);
  expected.push_back(0);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(completed, 1);
}

TEST_F(FrameSequence, ALaterForwardChangeDrawsAFrameAtZeroOverTheWholePicture) {
  display->Execute();
  RunUntilDone();
  ASSERT_EQ(display->Progress(), 100);
  const Bitmap24 shown = display->Screen();
  progress.clear();
  drawn.clear();
  Headless().ClearPaints();
  SetBitmap(display->Picture(), PositionBitmap(40, 30, 99));
  display->Execute();  // the worker's first step waits for the event loop
  EXPECT_EQ(progress, std::vector<int>{0});
  EXPECT_EQ(drawn, std::vector<int>{0});
  EXPECT_EQ(display->Screen(), shown) << "the frame at 0 is the old screen";
  ASSERT_FALSE(Headless().Paints().empty());
  EXPECT_EQ(Headless().Paints().back(), (TRect{0, 0, 40, 30}));
  RunUntilDone();
  EXPECT_EQ(completed, 2);
}

TEST_F(DisplayTest, Style0WithoutHandlerShowsTheNewPictureAtOnce) {
  const Bitmap24 next = PositionBitmap(40, 30, 7);
  SetBitmap(display->Picture(), next);
  display->SetStyle(0);
  int frames = 0;
  display->OnAfterNewFrame = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { ++frames; };
  display->Execute();
  RunUntilDone();
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(progress, std::vector<int>{100});
  EXPECT_EQ(completed, 1);
  EXPECT_TRUE(SurfaceShows(*window, {0, 0, 40, 30}, next));
  EXPECT_EQ(SurfacePixel(*window, 50, 50), 0u) << "the rest of the control is Color";
}

TEST_F(DisplayTest, Style0InReverseEndsToo) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->SetReverse(true);
  display->SetThreaded(false);
  display->Execute();
  EXPECT_FALSE(display->Busy());
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(display->Screen(), BitmapOf(display->Picture()));
}

TEST_F(DisplayTest, NumbersAbove150DrawNoFramesAndEndOnTheNewPicture) {
  const Bitmap24 first = PositionBitmap(40, 30, 1);
  const Bitmap24 next = PositionBitmap(40, 30, 2);
  Show(first);
  int frameEvents = 0;
  display->OnBeforeNewFrame = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { ++frameEvents; };
  display->OnAfterNewFrame = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { ++frameEvents; };
  std::vector<std::size_t> paintsDuringChange;
  display->OnProgress = [&](TCustomVorelscreen& s) {
    if (s.Progress() < 100) paintsDuringChange.push_back(Headless().Paints().size());
  };
  SetBitmap(display->Picture(), next);
  display->SetStyle(200);
  Headless().ClearPaints();
  display->Execute();
  RunUntilDone();
  EXPECT_EQ(frameEvents, 0);
  EXPECT_EQ(paintsDuringChange.size(), 25u) << "0 and 4 .. 96";
  EXPECT_EQ(paintsDuringChange.back(), 0u) << "nothing repainted while the change runs";
  EXPECT_EQ(completed, 2);
  EXPECT_TRUE(SurfaceShows(*window, {0, 0, 40, 30}, next));
}

TEST_F(DisplayTest, AnUnbuiltNumberBehavesAsOneWithoutDrawing) {
  const int number = UnbuiltEffect();
  Show(PositionBitmap(40, 30, 1));
  int frameEvents = 0;
  display->OnAfterNewFrame = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { ++frameEvents; };
  const Bitmap24 next = PositionBitmap(40, 30, 2);
  SetBitmap(display->Picture(), next);
  display->SetStyle(static_cast<TShowStyle>(number));
  display->SetManual(true);
  display->Execute();
  display->SetProgress(50);
  EXPECT_EQ(display->Screen(), PositionBitmap(40, 30, 1)) << "nothing drawn at 50";
  display->SetProgress(100);
  EXPECT_EQ(display->Screen(), next);
  EXPECT_EQ(frameEvents, 0);
}

TEST_F(DisplayTest, RoutineNumbersAt100DrawTheNewPictureWhole) {
  ASSERT_TRUE(EffectImplemented(128)) << "the push effects are built";
  Show(PositionBitmap(40, 30, 1));
  const Bitmap24 next = PositionBitmap(40, 30, 2);
  SetBitmap(display->Picture(), next);
  display->SetStyle(128);
  display->SetManual(true);
  display->Execute();
  display->SetProgress(50);
  EXPECT_NE(display->Screen(), next);
  display->SetProgress(100);
  EXPECT_EQ(display->Screen(), next);
}

TEST_F(DisplayTest, ExecuteWithoutPictureDoesNothing) {
  int changes = 0;
  display->OnChange = [&](TCustomVorelscreen&) { ++changes; };
  display->Execute();
  EXPECT_FALSE(display->Busy());
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(completed, 0);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(display->Screen().IsEmpty());
}

TEST_F(DisplayTest, StopEndsAThreadedChangeWithoutOnComplete) {
  Show(PositionBitmap(40, 30, 1));
  progress.clear();
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen& s, Bitmap24&, Bitmap24& screen) {
    screen.FillRect({0, 0, s.Progress() * 40 / 100, 30}, RGBColor(255, 0, 0));
  };
  SetBitmap(display->Picture(), PositionBitmap(40, 30, 2));
  display->Execute();
  ui.Advance(100);
  ASSERT_TRUE(display->Busy());
  ASSERT_FALSE(progress.empty());
  const int last = progress.back();
  display->Stop();
  EXPECT_FALSE(display->Busy());
  EXPECT_EQ(completed, 1) << "only the first change completed";
  EXPECT_EQ(display->NewPicture(), nullptr);
  const std::size_t frames = progress.size();
  ui.Advance(1000);
  EXPECT_EQ(progress.size(), frames) << "no frame after Stop";
  EXPECT_EQ(display->Progress(), last);
  EXPECT_EQ(display->Screen().GetPixel(0, 0), RGBColor(255, 0, 0)) << "the last frame stays";
  EXPECT_EQ(display->Screen().GetPixel(39, 0), PositionBitmap(40, 30, 1).GetPixel(39, 0));
  display->Stop();  // idle: nothing
  EXPECT_EQ(completed, 1);
}

TEST_F(DisplayTest, StopFromAFrameHandlerDoesNotWaitForItself) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen& s, Bitmap24&, Bitmap24&) {
    if (s.Progress() >= 12) s.Stop();
  };
  display->Execute();
  RunUntilDone();
  EXPECT_FALSE(display->Busy());
  EXPECT_EQ(completed, 0);
  EXPECT_EQ(display->Progress(), 12);
}

TEST_F(DisplayTest, StopBeforeAFrameIsDrawnLeavesTheFrameWhole) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->SetThreaded(false);
  int after = 0;
  display->OnBeforeNewFrame = [](TCustomVorelscreen& s, Bitmap24&, Bitmap24&) { s.Stop(); };
  display->OnAfterNewFrame = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { ++after; };
  display->Execute();
  EXPECT_FALSE(display->Busy());
  EXPECT_EQ(after, 1) << "the frame under way is finished from the bitmaps it started with";
  EXPECT_EQ(display->Screen(), PositionBitmap(40, 30));
  EXPECT_EQ(completed, 0);
}

TEST_F(DisplayTest, ClearShowsOnlyColorAndTheNextChangeStartsFromIt) {
  Show(PositionBitmap(40, 30, 1));
  SetBitmap(display->Picture(), PositionBitmap(40, 30, 2));
  display->SetManual(true);
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen&, Bitmap24&, Bitmap24&) {};
  display->Execute();
  display->Clear();
  EXPECT_FALSE(display->Screen().IsEmpty()) << "Clear does nothing during a change";
  display->Stop();
  display->SetColor(RGBColor(0, 0, 200));
  display->Clear();
  EXPECT_TRUE(display->Screen().IsEmpty());
  display->Refresh();
  EXPECT_TRUE(SurfaceShows(*window, {0, 0, 200, 100}, Bitmap24(200, 100, RGBColor(0, 0, 200))));
  display->Execute();
  ASSERT_NE(display->OldScreen(), nullptr);
  EXPECT_EQ(*display->OldScreen(), Bitmap24(40, 30, RGBColor(0, 0, 200)));
}

TEST_F(DisplayTest, WritingProgressWithItsOwnValueDrawsNothing) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  int frames = 0;
  display->OnCustomDraw = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { ++frames; };
  display->SetProgress(50);
  EXPECT_EQ(display->Progress(), 0) << "not Busy: nothing";
  display->SetManual(true);
  display->Execute();
  display->SetProgress(30);
  ASSERT_EQ(frames, 1);
  display->SetProgress(30);
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(progress, std::vector<int>{30});
  display->SetProgress(1000);
  EXPECT_EQ(display->Progress(), 100) << "limited to 100";
}

TEST_F(DisplayTest, ACentredPictureLargerThanTheControlShowsItsMiddle) {
  display->SetCenter(true);
  const Bitmap24 big = PositionBitmap(400, 200, 1);
  Show(big);
  EXPECT_EQ(display->PictureRect(), (TRect{-100, -50, 300, 150}));
  EXPECT_TRUE(SurfaceShows(*window, {0, 0, 200, 100}, big, -100, -50));
  // The next change takes the same off-control rectangle of what was painted.
  SetBitmap(display->Picture(), PositionBitmap(400, 200, 2));
  display->SetManual(true);
  display->Execute();
  const Bitmap24& old = *display->OldScreen();
  EXPECT_EQ(old.GetPixel(100, 50), big.GetPixel(100, 50));
  EXPECT_EQ(old.GetPixel(299, 149), big.GetPixel(299, 149));
  EXPECT_EQ(old.GetPixel(99, 50), 0u) << "outside the control nothing was painted";
  EXPECT_EQ(old.GetPixel(300, 149), 0u);
}

TEST_F(DisplayTest, TransparentColourLetsTheParentShowThrough) {
  Bitmap24 picture(40, 30, RGBColor(10, 20, 30));
  picture.FillRect({0, 0, 10, 10}, 0);
  display->Transparent = true;
  display->TransparentColor = 0;
  display->SetColor(0);
  Show(picture);
  display->Refresh();
  const TColor parent = RGBColor(1, 2, 3);  // the window's own colour
  EXPECT_EQ(SurfacePixel(*window, 5, 5), parent);
  EXPECT_EQ(SurfacePixel(*window, 100, 50), parent) << "Color is black too";
  EXPECT_EQ(SurfacePixel(*window, 20, 20), RGBColor(10, 20, 30));
}

TEST_F(DisplayTest, ManualHoldsAChangeUntilResumed) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen&, Bitmap24&, Bitmap24&) {};
  display->SetManual(true);
  display->Execute();
  ui.Advance(1000);
  EXPECT_TRUE(display->Busy());
  EXPECT_TRUE(progress.empty());
  display->SetProgress(50);
  EXPECT_EQ(progress, std::vector<int>{50});
  display->SetManual(false);
  RunUntilDone();
  std::vector<int> expected{50};
  for (int p : Range(54, 98, 4)) expected.push_back(p);
  expected.push_back(100);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(completed, 1);
}

TEST_F(DisplayTest, ManualSetDuringAChangeHoldsItThere) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen&, Bitmap24&, Bitmap24&) {};
  display->Execute();
  ui.Advance(95);  // frames at 0, 30, 60, 90
  display->SetManual(true);
  ui.Advance(1000);
  EXPECT_TRUE(display->Busy());
  EXPECT_EQ(progress, (std::vector<int>{4, 8, 12, 16}));
  display->SetManual(false);
  RunUntilDone();
  EXPECT_EQ(progress, Range(4, 100, 4));
  EXPECT_EQ(completed, 1);
}

TEST_F(DisplayTest, FramesStartDelayApartAndALongFrameIsFollowedAtOnce) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  std::vector<std::uint64_t> starts;
  display->OnCustomDraw = [&](TCustomVorelscreen& s, Bitmap24&, Bitmap24&) {
    starts.push_back(ui.Now());
    if (s.Progress() == 20) platform::Sleep(75);  // a slow frame
  };
  display->SetDelay(30);
  display->Execute();
  RunUntilDone();
  ASSERT_EQ(starts.size(), 25u);
  for (std::size_t i = 1; i < starts.size(); ++i) {
    const std::uint64_t gap = starts[i] - starts[i - 1];
    EXPECT_EQ(gap, i == 5 ? 75u : 30u) << "frame " << i;
  }
}

TEST_F(DisplayTest, TheInPlaceLoopPacesAndReturnsWhenDone) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  std::vector<std::uint64_t> starts;
  display->OnCustomDraw = [&](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { starts.push_back(ui.Now()); };
  display->SetThreaded(false);
  display->SetStep(10);
  display->Execute();
  EXPECT_FALSE(display->Busy()) << "Execute returns with the change done";
  EXPECT_EQ(completed, 1);
  ASSERT_EQ(starts.size(), 10u);
  for (std::size_t i = 1; i < starts.size(); ++i) EXPECT_GT(starts[i] - starts[i - 1], 30u);
}

TEST_F(DisplayTest, ThrowingPreparationLeavesTheComponentIdle) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->SetThreaded(false);
  display->OnCustomDraw = [](TCustomVorelscreen&, Bitmap24&, Bitmap24&) { throw std::runtime_error("boom"); };
  display->SetReverse(true);  // the first frame is drawn while preparing
  EXPECT_THROW(display->Execute(), std::runtime_error);
  EXPECT_FALSE(display->Busy());
  EXPECT_EQ(display->OldScreen(), nullptr);
}

TEST_F(DisplayTest, AWorkerGoesOnAfterAFailedFrame) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen& s, Bitmap24&, Bitmap24&) {
    if (s.Progress() == 40) throw std::runtime_error("boom");
  };
  display->Execute();
  RunUntilDone();
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(display->Progress(), 100);
}

TEST_F(DisplayTest, PaintsBackgroundPictureInEachMode) {
  Bitmap24 tile(3, 2);
  tile.SetPixel(0, 0, RGBColor(255, 0, 0));
  tile.SetPixel(1, 0, RGBColor(0, 255, 0));
  SetBitmap(display->BgPicture(), tile);
  display->Refresh();
  EXPECT_EQ(SurfacePixel(*window, 3, 2), RGBColor(255, 0, 0)) << "tiled from the origin";
  EXPECT_EQ(SurfacePixel(*window, 199, 98), RGBColor(0, 255, 0));
  display->SetBgMode(TBackgroundMode::bmCentered);
  display->Refresh();
  EXPECT_EQ(SurfacePixel(*window, 98, 49), RGBColor(255, 0, 0));
  EXPECT_EQ(SurfacePixel(*window, 3, 2), 0u);
  display->SetBgMode(TBackgroundMode::bmStretched);
  display->Refresh();
  EXPECT_EQ(SurfacePixel(*window, 0, 0), RGBColor(255, 0, 0));
  EXPECT_EQ(SurfacePixel(*window, 199, 99), 0u);
  display->SetBgMode(TBackgroundMode::bmNone);
  display->Refresh();
  EXPECT_EQ(SurfacePixel(*window, 0, 0), 0u);
}

TEST_F(DisplayTest, StretchFineFitsTheScreenIntoTheControl) {
  display->SetStretch(true);
  display->SetStretchFine(true);
  Show(Bitmap24(40, 40, RGBColor(9, 9, 9)));
  EXPECT_EQ(display->TargetRect(), (TRect{50, 0, 150, 100}));
  EXPECT_EQ(SurfacePixel(*window, 49, 50), 0u);
  EXPECT_EQ(SurfacePixel(*window, 50, 50), RGBColor(9, 9, 9));
  EXPECT_EQ(SurfacePixel(*window, 149, 99), RGBColor(9, 9, 9));
  display->SetStretchFine(false);
  display->Refresh();
  EXPECT_EQ(SurfacePixel(*window, 0, 0), RGBColor(9, 9, 9));
  EXPECT_EQ(TCustomVorelscreen::FittedRect(400, 300, {0, 0, 800, 600}), (TRect{0, 0, 800, 600}));
  EXPECT_EQ(TCustomVorelscreen::FittedRect(100, 300, {10, 0, 810, 600}), (TRect{310, 0, 510, 600}));
}

TEST_F(DisplayTest, ARevealRepaintsOnlyItsDestinationMappedIntoTheControl) {
  ASSERT_TRUE(EffectImplemented(5)) << "the reveal effects are built";
  display->SetAlign(TAlign::alNone);
  display->SetAutoSize(false);
  display->SetBounds(10, 5, 100, 60);
  display->SetStretch(true);
  Show(Bitmap24(50, 30, RGBColor(1, 1, 1)));
  SetBitmap(display->Picture(), Bitmap24(50, 30, RGBColor(200, 1, 1)));
  display->SetStyle(5);
  display->SetManual(true);
  display->Execute();
  Headless().ClearPaints();
  display->SetProgress(50);
  ASSERT_EQ(Headless().Paints().size(), 1u);
  EXPECT_EQ(Headless().Paints()[0], (TRect{10, 5, 60, 65}));
  EXPECT_EQ(SurfacePixel(*window, 59, 30), RGBColor(200, 1, 1));
  EXPECT_EQ(SurfacePixel(*window, 60, 30), RGBColor(1, 1, 1));
}

// Effects repaint only what their frame changed; what the window shows after
// each frame must still be the whole frame, forwards and backwards.
TEST_F(DisplayTest, EveryBuiltEffectLeavesTheWindowShowingTheWholeFrame) {
  display->SetCenter(true);
  const Bitmap24 first = PositionBitmap(61, 40, 1);
  const Bitmap24 second = PositionBitmap(61, 40, 2);
  int checked = 0;
  for (int number = 1; number <= kEffectCount; ++number) {
    if (!EffectImplemented(number)) continue;
    ++checked;
    display->SetManual(false);
    display->SetReverse(false);
    Show(first);
    SetBitmap(display->Picture(), second);
    display->SetStyle(static_cast<TShowStyle>(number));
    display->SetManual(true);
    display->Execute();
    const TRect at = display->PictureRect();
    for (int p : {1, 9, 23, 50, 77, 91, 99, 100, 64, 12}) {
      display->SetProgress(p);
      ui.RunUntilIdle();
      ASSERT_TRUE(SurfaceShows(*window, at, display->Screen(), at.Left, at.Top))
          << "effect " << number << " at " << p;
    }
    display->Stop();
  }
  EXPECT_GT(checked, 0) << "no effect is built";
}

TEST_F(DisplayTest, AutoSizeFollowsThePictureUnlessAligned) {
  display->SetAlign(TAlign::alNone);
  SetBitmap(display->Picture(), Bitmap24(30, 20));
  EXPECT_EQ(display->Width(), 30);
  EXPECT_EQ(display->Height(), 20);
  display->SetAlign(TAlign::alClient);
  SetBitmap(display->Picture(), Bitmap24(60, 50));
  EXPECT_EQ(display->Width(), 200);
  window->SetBounds({0, 0, 120, 80});
  EXPECT_EQ(display->BoundsRect(), (TRect{0, 0, 120, 80})) << "follows the parent's client area";
}

// Pictures as the slideshow runner shows them: load and prepare, stop what
// runs, change with an effect; each picture covers what the one before left.
TEST_F(DisplayTest, AShowOfPicturesOfDifferentSizes) {
  TempDir dir;
  display->SetAutoSize(false);
  display->SetCenter(true);
  display->SetBgMode(TBackgroundMode::bmNone);
  const int effect = EffectImplemented(11) ? 11 : 0;
  const std::vector<Bitmap24> pictures{PositionBitmap(180, 90, 1), PositionBitmap(60, 40, 2),
                                       PositionBitmap(400, 50, 3), PositionBitmap(20, 100, 4)};
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::string file = dir.File("p" + std::to_string(i) + ".bmp");
    WriteBmp(file, pictures[i]);
    display->LoadFromFile(file);
    if (display->Busy()) display->Stop();
    display->SetStyle(static_cast<TShowStyle>(effect));
    display->Execute();
    RunUntilDone();
    ASSERT_EQ(completed, static_cast<int>(i + 1));
    // The window shows the prepared picture centred, and Color elsewhere.
    const Bitmap24& prepared = BitmapOf(display->Picture());
    const TRect at = display->PictureRect();
    EXPECT_EQ(display->Screen(), prepared);
    Bitmap24 expected(200, 100, 0);
    Draw(expected, at.Left, at.Top, prepared);
    EXPECT_TRUE(SurfaceShows(*window, {0, 0, 200, 100}, expected)) << "picture " << i;
  }
}

TEST_F(DisplayTest, DestroyingDuringAThreadedChangeFiresNoOnComplete) {
  SetBitmap(display->Picture(), PositionBitmap(40, 30));
  display->SetStyle(0);
  display->OnCustomDraw = [](TCustomVorelscreen&, Bitmap24&, Bitmap24&) {};
  display->Execute();
  ui.Advance(50);
  ASSERT_TRUE(display->Busy());
  display.reset();
  EXPECT_EQ(completed, 0);
  window->InvalidateAll();
  window->Update();  // the window's handlers no longer reach the component
}

}  // namespace
}  // namespace kestro::testing
