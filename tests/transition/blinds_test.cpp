#include "transition/effects/blinds.h"

#include <gtest/gtest.h>

#include <vector>

#include "transition/effect.h"

namespace kestro {
namespace {

Region ClipOf(int number, int w, int h, int progress, int step = 4) {
  EffectPlan plan;
  EXPECT_TRUE(PlanEffect(number, EffectExtents({0, 0, w, h}, progress, static_cast<std::uint16_t>(step)), progress,
                         plan));
  EXPECT_TRUE(plan.clipped) << number;
  return plan.clip;
}

// The clip's part inside the picture.
Region Inside(const Region& r, int w, int h) { return r & Region::FromRect(0, 0, w, h); }

TEST(Blinds, VerticalSlatsOfAFixedPitch) {
  // 1024 x 768, Step 4: Unit 46, pitch 22; at 50 each slat covers 11 of 22.
  std::vector<TRect> slats;
  for (int x = 0; x < 1024; x += 22) slats.push_back({x, 0, x + 11, 768});
  EXPECT_EQ(ClipOf(136, 1024, 768, 50), Region::FromRects(slats));
  std::vector<TRect> rows;
  for (int y = 0; y < 768; y += 16) rows.push_back({0, y, 1024, y + 8});  // 768 div 46 = 16
  EXPECT_EQ(ClipOf(137, 1024, 768, 50), Region::FromRects(rows));
}

TEST(Blinds, UnevenSlatsFromEitherSide) {
  EXPECT_EQ(ClipOf(138, 400, 300, 50), Region::FromRects({{0, 0, 100, 300}, {200, 0, 300, 300}}));
  EXPECT_EQ(Inside(ClipOf(139, 400, 300, 50), 400, 300), Region::FromRects({{300, 0, 400, 300}, {100, 0, 200, 300}}));
  std::vector<TRect> run;
  SlatRun(run, {300, 0, 400, 300}, 200, SlatDirection::kLeftwards, 400, 300);
  EXPECT_EQ(run.size(), 3u) << "the run stops once the right edge would be negative";
  run.clear();
  SlatRun(run, {0, 50, 10, 60}, 100, SlatDirection::kUpwards, 400, 300);
  EXPECT_EQ(run.size(), 1u);
  // 140 and 141 are 138 and 139 down the picture.
  EXPECT_EQ(ClipOf(140, 300, 400, 50), Region::FromRects({{0, 0, 300, 100}, {0, 200, 300, 300}}));
  EXPECT_EQ(Inside(ClipOf(141, 300, 400, 50), 300, 400), Region::FromRects({{0, 300, 300, 400}, {0, 100, 300, 200}}));
}

TEST(Blinds, BandsAndSlatsTogether) {
  // 145 at 99 on a picture 768 high with Unit 46: pitch 16, bands 14 high
  // centred in each pitch, and slats 99 percent as wide as PX.
  const TEffectExtents e = EffectExtents({0, 0, 1024, 768}, 99, 4);
  ASSERT_EQ(e.Unit, 46);
  std::vector<TRect> rects;
  for (int y = 8; y - 7 < 768; y += 16) rects.push_back({0, y - 7, 1024, y + 7});
  for (int x = 0; x < 1024; x += e.PX) rects.push_back({x, 0, x + 99 * e.PX / 100, 768});
  EXPECT_EQ(ClipOf(145, 1024, 768, 99), Region::FromRects(rects));
  EXPECT_EQ(Inside(ClipOf(147, 768, 1024, 99), 768, 1024).Area(), Inside(ClipOf(145, 1024, 768, 99), 1024, 768).Area())
      << "147 is 145 turned";
}

TEST(Grid, GrowingRectanglesOnTheGridPoints) {
  // Unit 46: n = 23, 24 x 24 rectangles.
  const TEffectExtents e = EffectExtents({0, 0, 1024, 768}, 100, 4);
  std::vector<TRect> rects;
  ASSERT_TRUE(BlindRects(142, e, 100, rects));
  EXPECT_EQ(rects.size(), 24u * 24u);
  const TRect first = rects.back();  // j = i = 0, listed last
  EXPECT_EQ(first, (TRect{-22, -16, 22, 16})) << "44 wide on cells 44 wide: about as wide as its cell";
}

// The grid's clip is built from its rows and columns without listing every
// cell; it must be the union of all cells, whatever the size and step.
TEST(Grid, ClipIsTheUnionOfEveryCell) {
  for (const auto& [w, h] : {std::pair{1024, 768}, {300, 200}, {11, 7}, {5, 200}, {640, 3}, {1, 1}}) {
    for (int step : {1, 4, 20, 60, 100}) {
      for (int p : {1, 13, 50, 87, 99, 100}) {
        const TEffectExtents e = EffectExtents({0, 0, w, h}, p, static_cast<std::uint16_t>(step));
        std::vector<TRect> rects;
        ASSERT_TRUE(BlindRects(142, e, p, rects));
        ASSERT_EQ(ClipOf(142, w, h, p, step), Region::FromRects(rects)) << w << "x" << h << " step " << step << " at " << p;
      }
    }
  }
}

// Where the pitch would be 0 a run makes one slat across the picture, and
// the grid reads a Unit of 0 as 1.
TEST(Blinds, AZeroPitchIsOneSlatAcross) {
  EXPECT_EQ(UnitPitch(300, 333), 300);
  EXPECT_EQ(UnitPitch(5, 0), 5);
  EXPECT_EQ(UnitPitch(1024, 46), 22);
  // Step 100 on 300 x 200: Unit 333 exceeds the width.
  EXPECT_EQ(ClipOf(136, 300, 200, 50, 100), Region::FromRect(0, 0, 150, 200));
  // A 5 x 5 picture with step 4: Unit 0.
  ASSERT_EQ(EffectExtents({0, 0, 5, 5}, 60, 4).Unit, 0);
  EXPECT_EQ(ClipOf(137, 5, 5, 60), Region::FromRect(0, 0, 5, 3));
  EXPECT_EQ(ClipOf(142, 5, 5, 60), Region::FromRect(-3, -3, 8, 8)) << "four cells of half size 3 on a 5-pixel grid";
  std::vector<TRect> run;
  SlatRun(run, {0, 0, 0, 5}, 0, SlatDirection::kRightwards, 5, 5);
  EXPECT_EQ(run.size(), 1u) << "a pitch of 0 adds its slat once";
}

}  // namespace
}  // namespace kestro
