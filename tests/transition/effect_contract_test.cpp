// The contract every built effect keeps, run over every built row of the
// effect table: a frame is a function of its inputs and the shared
// generator alone, it writes only the screen bitmap and only inside what it
// reports as changed, the table routine and the display component draw the
// same frames as the frame routine, the change ends on the whole new
// picture, and no picture size or step makes a frame fault or hang.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/random.h"
#include "display_fixture.h"
#include "raster/region.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"

namespace kestro::testing {
namespace {

struct FrameOut {
  Bitmap24 screen;
  std::vector<TRect> changed;
  std::uint32_t stateAfter = 0;
};

// One frame of `number` from the generator state `state`.
FrameOut DrawFrom(std::uint32_t state, int number, const Bitmap24& old, const Bitmap24& picture, int step,
                  int progress) {
  FrameOut out{old, {}, 0};
  EffectFrame frame;
  RandomState = state;
  EXPECT_TRUE(DrawEffectFrame(number, out.screen, picture, static_cast<std::uint16_t>(step), progress, frame));
  out.changed = frame.changed;
  out.stateAfter = RandomState;
  return out;
}

std::string Case(int number, const Bitmap24& b, int step, int progress) {
  return "effect " + std::to_string(number) + " on " + std::to_string(b.Width()) + "x" + std::to_string(b.Height()) +
         " step " + std::to_string(step) + " at " + std::to_string(progress);
}

class EffectContract : public ::testing::TestWithParam<int> {};

TEST_P(EffectContract, FramesDependOnlyOnTheirInputsAndTheGenerator) {
  const int n = GetParam();
  for (const auto& [w, h] : {std::pair{64, 48}, {48, 64}, {7, 5}, {1, 1}, {200, 10}}) {
    const Bitmap24 old = PositionBitmap(w, h, 1), picture = PositionBitmap(w, h, 77);
    for (int step : {1, 4, 100}) {
      for (int p : {0, 1, 37, 50, 99, 100}) {
        const FrameOut first = DrawFrom(0x1234567u + static_cast<std::uint32_t>(p), n, old, picture, step, p);
        // Another frame in between changes nothing of the next.
        DrawFrom(99, n, old, picture, step, (p + 50) % 101);
        const FrameOut again = DrawFrom(0x1234567u + static_cast<std::uint32_t>(p), n, old, picture, step, p);
        ASSERT_EQ(first.screen, again.screen) << Case(n, old, step, p);
        ASSERT_EQ(first.stateAfter, again.stateAfter) << Case(n, old, step, p);
        ASSERT_EQ(first.changed, again.changed) << Case(n, old, step, p);
      }
    }
  }
}

TEST_P(EffectContract, WritesOnlyInsideWhatItReportsChanged) {
  const int n = GetParam();
  for (const auto& [w, h] : {std::pair{61, 40}, {40, 61}, {10, 3}, {3, 10}}) {
    const Bitmap24 old = PositionBitmap(w, h, 1), picture = PositionBitmap(w, h, 77);
    const Bitmap24 pictureBefore = picture;
    for (int p = 0; p <= 100; p += 3) {
      const FrameOut f = DrawFrom(7u * static_cast<std::uint32_t>(p), n, old, picture, 4, p);
      std::vector<TRect> inside;
      for (const TRect& r : f.changed) inside.push_back(Intersect(r, old.Bounds()));
      const Region reported = Region::FromRects(inside);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          if (f.screen.GetPixel(x, y) != old.GetPixel(x, y)) {
            ASSERT_TRUE(reported.Contains(x, y)) << Case(n, old, 4, p) << " changed (" << x << ", " << y << ")";
          }
        }
      }
    }
    EXPECT_EQ(picture, pictureBefore) << "the new picture is read only";
  }
}

TEST_P(EffectContract, TheTableRoutineDrawsTheSameFrames) {
  const int n = GetParam();
  const Bitmap24 old = PositionBitmap(90, 70, 1), picture = PositionBitmap(90, 70, 77);
  for (int step : {1, 4, 33}) {
    for (int p = 1; p <= 99; p += 7) {
      const FrameOut f = DrawFrom(4242u + static_cast<std::uint32_t>(p), n, old, picture, step, p);
      Bitmap24 viaTable = old;
      RandomState = 4242u + static_cast<std::uint32_t>(p);
      EffectTable[n].Proc(viaTable, picture, old.Bounds(), static_cast<std::uint16_t>(step), p);
      ASSERT_EQ(viaTable, f.screen) << Case(n, old, step, p);
      ASSERT_EQ(RandomState, f.stateAfter) << Case(n, old, step, p) << ": the same draws";
    }
  }
}

TEST_P(EffectContract, EndsAsTheComponentDrawsThem) {
  const int n = GetParam();
  const Bitmap24 old = PositionBitmap(50, 30, 1), picture = PositionBitmap(50, 30, 77);
  EXPECT_EQ(DrawFrom(5, n, old, picture, 4, 100).screen, picture) << "the whole new picture at 100";
  if (DrawnByRoutine(n)) {
    const FrameOut f = DrawFrom(5, n, old, picture, 4, 0);
    EXPECT_EQ(f.screen, old) << "no routine at 0";
    EXPECT_EQ(f.stateAfter, 5u) << "no draws at 0";
  }
}

// Every picture size from 1 x 1 to 10 x 10, long thin pictures and every
// step draw each frame of a change without a fault, ending on the new picture.
TEST_P(EffectContract, DegenerateSizesAndStepsDraw) {
  const int n = GetParam();
  std::vector<std::pair<int, int>> sizes;
  for (int w = 1; w <= 10; ++w) {
    for (int h = 1; h <= 10; ++h) sizes.push_back({w, h});
  }
  for (const auto& wh : {std::pair{200, 10}, {10, 200}, {400, 1}, {1, 400}, {21, 1}, {1, 21}}) sizes.push_back(wh);
  for (const auto& [w, h] : sizes) {
    const Bitmap24 old = PositionBitmap(w, h, 1), picture = PositionBitmap(w, h, 77);
    for (int step : {1, 4, 10, 45, 89, 90, 91, 100}) {
      for (int p : {0, 1, 2, step % 100, 50, 98, 99, 100}) DrawFrom(3, n, old, picture, step, p);
    }
    ASSERT_EQ(DrawFrom(3, n, old, picture, 100, 100).screen, picture) << Case(n, old, 100, 100);
  }
  const Bitmap24 old = PositionBitmap(300, 200, 1), picture = PositionBitmap(300, 200, 77);
  for (int step = 1; step <= 100; ++step) DrawFrom(11, n, old, picture, step, 50);
}

INSTANTIATE_TEST_SUITE_P(BuiltEffects, EffectContract, ::testing::ValuesIn(BuiltEffects()),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// The display component shows exactly the frames of the frame routine, from
// the old screen it kept, with the generator where the frame began.
TEST_F(DisplayTest, TheComponentDrawsTheFrameRoutinesFrames) {
  const Bitmap24 first = PositionBitmap(61, 40, 1);
  const Bitmap24 second = PositionBitmap(61, 40, 2);
  const std::vector<int> built = BuiltEffects();
  ASSERT_FALSE(built.empty());
  for (int number : built) {
    display->SetManual(false);
    Show(first);
    SetBitmap(display->Picture(), second);
    display->SetStyle(static_cast<TShowStyle>(number));
    display->SetStep(7);
    display->SetManual(true);
    display->Execute();
    ASSERT_NE(display->OldScreen(), nullptr);
    const Bitmap24 old = *display->OldScreen();
    for (int p : {3, 50, 99, 100, 0, 64}) {
      const std::uint32_t state = 1000u + static_cast<std::uint32_t>(p);
      const FrameOut expected = DrawFrom(state, number, old, second, 7, p);
      RandomState = state;
      display->SetProgress(p);
      ASSERT_EQ(display->Screen(), expected.screen) << "effect " << number << " at " << p;
      ASSERT_EQ(RandomState, expected.stateAfter) << "effect " << number << " at " << p;
    }
    display->Stop();
  }
}

}  // namespace
}  // namespace kestro::testing
