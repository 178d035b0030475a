#include "transition/effects/bars.h"

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

// Bars (left, top, right, top + 5) at top = first, first + 10, ... below `end`.
std::vector<TRect> Rows(int left, int right, int first, int end) {
  std::vector<TRect> v;
  for (int y = first; y < end; y += 10) v.push_back({left, y, right, y + 5});
  return v;
}

std::vector<TRect> Join(std::vector<TRect> a, const std::vector<TRect>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Bars, FirstPassFromTheRightAtAQuarter) {
  // 60 on 400 x 300 at 25: PX = 100, bars 200 long at y = 0, 10, ... 300.
  const Region clip = ClipOf(60, 400, 300, 25);
  EXPECT_EQ(clip, Region::FromRects(Rows(200, 400, 0, 305)));
  EXPECT_TRUE(clip.Contains(200, 290));
  EXPECT_FALSE(clip.Contains(199, 0));
  EXPECT_FALSE(clip.Contains(300, 5)) << "the rows between stay untouched";
}

TEST(Bars, SnapToFullLengthWithinUnit) {
  // Step 5 on 400 x 300: Unit 22.
  EXPECT_EQ(EffectExtents({0, 0, 400, 300}, 50, 5).Unit, 22);
  EXPECT_EQ(BarsRegion(190, 0, 400, 0, 1, 22, 300), Region::FromRects(Rows(210, 400, 0, 305)));
  EXPECT_EQ(BarsRegion(380, 0, 400, 0, 1, 22, 300), Region::FromRects(Rows(0, 400, 0, 305)))
      << "380 + 22 exceeds 400: full bars";
  EXPECT_EQ(BarsRegion(378, 0, 400, 0, 1, 22, 300), Region::FromRects(Rows(22, 400, 0, 305)));
}

TEST(Bars, SecondPassFromTheLeftAtThreeQuarters) {
  // 61 at 75: PX = 300, XLen 600: first-pass bars whole, the others 200 long.
  EXPECT_EQ(ClipOf(61, 400, 300, 75), Region::FromRects(Join(Rows(0, 400, 0, 300), Rows(0, 200, 5, 300))));
  // 60 grows its second pass from the right; 62 and 63 swap directions.
  EXPECT_EQ(ClipOf(60, 400, 300, 75), Region::FromRects(Join(Rows(0, 400, 0, 300), Rows(200, 400, 5, 300))));
  EXPECT_EQ(ClipOf(62, 400, 300, 75), ClipOf(60, 400, 300, 75));
  EXPECT_EQ(ClipOf(62, 400, 300, 25), ClipOf(61, 400, 300, 25));
  EXPECT_EQ(ClipOf(63, 400, 300, 75), ClipOf(61, 400, 300, 75));
}

TEST(Bars, BothSidesAtOnce) {
  EXPECT_EQ(ClipOf(64, 400, 300, 50), Region::FromRects(Join(Rows(200, 400, 0, 305), Rows(0, 200, 5, 310))));
  EXPECT_EQ(Intersect(ClipOf(64, 400, 300, 99).Bounds(), {0, 0, 400, 300}), (TRect{0, 0, 400, 300}));
  EXPECT_EQ(BarsRegion(400, 0, 400, 0, 3, 0, 300) & Region::FromRect(0, 0, 400, 300), Region::FromRect(0, 0, 400, 300))
      << "whole at 100";
}

TEST(Bars, APictureSevenPixelsHigh) {
  EXPECT_EQ(BarsRegion(10, 0, 40, 0, 2, 0, 7), Region::FromRects({{0, 0, 10, 5}, {0, 10, 10, 15}}));
  EXPECT_EQ(BarsRegion(50, 0, 40, 0, 2, 0, 7) & Region::FromRect(0, 0, 40, 7),
            Region::FromRects({{0, 0, 40, 5}, {0, 5, 10, 7}}));
}

TEST(Bars, ColumnsAreRowsTurned) {
  // 71 to 75 on a picture are 60 to 64 on the picture turned.
  const std::pair<int, int> pairs[] = {{71, 60}, {72, 61}, {73, 62}, {74, 63}, {75, 64}};
  for (const auto& [column, row] : pairs) {
    for (int p : {10, 37, 50, 63, 90}) {
      const Region c = ClipOf(column, 300, 400, p);
      std::vector<TRect> turned;
      for (const TRect& r : ClipOf(row, 400, 300, p).Rects()) turned.push_back({r.Top, r.Left, r.Bottom, r.Right});
      EXPECT_EQ(c, Region::FromRects(turned)) << column << " at " << p;
    }
  }
}

TEST(CrissCross, RowsAndColumnsTogether) {
  // 86: rows from the right and columns from the bottom, both doubled.
  const TEffectExtents e = EffectExtents({0, 0, 400, 300}, 30, 4);
  EXPECT_EQ(ClipOf(86, 400, 300, 30), BarsRegion(2 * e.PX, 2 * e.PY, 400, 1, 1, e.Unit, 300));
  // 94: rows of kind 1 undoubled fill only in their first pass.
  const TEffectExtents late = EffectExtents({0, 0, 400, 300}, 80, 4);
  EXPECT_EQ(ClipOf(94, 400, 300, 80), BarsRegion(late.PX, late.PY, 400, 3, 1, late.Unit, 300));
  // 99 is the common part of 86 and 89.
  for (int p : {20, 50, 70}) {
    EXPECT_EQ(ClipOf(99, 400, 300, p), ClipOf(86, 400, 300, p) & ClipOf(89, 400, 300, p)) << p;
  }
  BarsRecipe recipe;
  ASSERT_TRUE(BarsRecipeOf(99, e, recipe));
  EXPECT_TRUE(recipe.intersect);
  EXPECT_FALSE(BarsRecipeOf(65, e, recipe)) << "not a bar effect";
}

}  // namespace
}  // namespace kestro
