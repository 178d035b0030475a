// The shape effects' geometry: the edge cases of the member table, the
// clock sweep's points, the turning shapes, and the one-sweep union of
// triangles against triangles combined one by one.

#include "transition/effects/shapes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "display_fixture.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"
#include "transition/effects/families.h"

namespace kestro::testing {
namespace {

TEffectExtents Extents(int w, int h, int progress) { return EffectExtents({0, 0, w, h}, progress, 4); }

Region ClipOf(int number, int w, int h, int progress) {
  EffectPlan plan;
  EXPECT_TRUE(PlanEffect(number, Extents(w, h, progress), progress, plan));
  EXPECT_TRUE(plan.clipped) << number;
  return plan.clip & Region::FromRect(0, 0, w, h);
}

ShapeRecipe RecipeOf(int number, int w, int h, int progress) {
  ShapeRecipe recipe;
  EXPECT_TRUE(ShapeRecipeOf(number, Extents(w, h, progress), progress, recipe));
  return recipe;
}

TEST(Shapes, SweepAtAQuarter) {
  // 143 at 25 on 400 x 300: r = 250, the centre and 25 points from 12
  // o'clock clockwise through 24 steps of 3.6 degrees (86.4 degrees).
  const ShapeRecipe r = RecipeOf(143, 400, 300, 25);
  ASSERT_EQ(r.counts, std::vector<std::size_t>{26});
  EXPECT_EQ(r.points[0], (TPoint{200, 150}));
  EXPECT_EQ(r.points[1], (TPoint{200, -100}));
  // cos(-3.6 degrees) * 250 = 249.51, sin(-3.6 degrees) * 250 = -15.70.
  EXPECT_EQ(r.points[25], (TPoint{450, 134}));
  const Region clip = ClipOf(143, 400, 300, 25);
  EXPECT_TRUE(clip.Contains(300, 20));
  EXPECT_TRUE(clip.Contains(399, 120));
  EXPECT_FALSE(clip.Contains(198, 20)) << "left of 12 o'clock stays old";
  EXPECT_FALSE(clip.Contains(399, 145)) << "below the last step stays old";
  EXPECT_FALSE(clip.Contains(250, 200));
  // 144 is its mirror image about the vertical through the centre.
  const ShapeRecipe m = RecipeOf(144, 400, 300, 25);
  for (std::size_t i = 0; i < m.points.size(); ++i) {
    EXPECT_EQ(m.points[i], (TPoint{400 - r.points[i].X, r.points[i].Y})) << i;
  }
}

TEST(Shapes, SweepAtOneIsEmpty) {
  const ShapeRecipe r = RecipeOf(143, 400, 300, 1);
  EXPECT_EQ(r.counts, std::vector<std::size_t>{2});
  EXPECT_TRUE(ClipOf(143, 400, 300, 1).IsEmpty());
  const Bitmap24 old = PositionBitmap(400, 300, 1), picture = PositionBitmap(400, 300, 9);
  Bitmap24 screen = old;
  EffectTable[143].Proc(screen, picture, old.Bounds(), 4, 1);
  EXPECT_EQ(screen, old);
}

TEST(Shapes, RotationalRectangleAtHalfIsUprightAgain) {
  // 149 at 50: half the picture's size, centred, turned half a turn.
  EXPECT_EQ(ClipOf(149, 400, 300, 50), Region::FromRect(100, 75, 300, 225));
  EXPECT_EQ(ClipOf(149, 401, 301, 50), Region::FromRect(100, 75, 300, 225));
  // At a quarter turn the rectangle lies on its side: PX 100, PY 75 at 25.
  EXPECT_EQ(ClipOf(149, 400, 300, 25), Region::FromRect(200 - 37, 150 - 50, 200 + 37, 150 + 50));
}

TEST(Shapes, RotatePointsTurnsClockwiseOnTheScreen) {
  TPoint p[] = {{110, 50}, {100, 40}, {103, 54}};
  RotatePoints(p, 3, TPoint{100, 50}, 100);  // a quarter turn
  EXPECT_EQ(p[0], (TPoint{100, 60})) << "right of the centre turns to below it";
  EXPECT_EQ(p[1], (TPoint{110, 50}));
  EXPECT_EQ(p[2], (TPoint{96, 53}));
  TPoint q[] = {{10, 0}};
  RotatePoints(q, 1, TPoint{0, 0}, 50);  // 45 degrees: 7.07, 7.07
  EXPECT_EQ(q[0], (TPoint{7, 7}));
  TPoint star[] = {{-20, 0}};
  RotatePoints(star, 1, TPoint{0, 0}, 4 * 99);  // the star's last frame, 356.4 degrees
  EXPECT_EQ(star[0], (TPoint{-20, 1}));           // -20 cos, -20 sin(-3.6 degrees) = 1.26
}

TEST(Shapes, CircularRevealAtHalfLeavesTheCorners) {
  // 84 at 50 spans the whole picture with corner ellipses of 9/10 of it.
  const ShapeRecipe r = RecipeOf(84, 400, 300, 50);
  ASSERT_EQ(r.roundRects.size(), 1u);
  EXPECT_EQ(r.roundRects[0].rect, (TRect{0, 0, 400, 300}));
  EXPECT_EQ(r.roundRects[0].ew, 360);
  EXPECT_EQ(r.roundRects[0].eh, 270);
  const Region clip = ClipOf(84, 400, 300, 50);
  for (const TPoint& corner : {TPoint{0, 0}, TPoint{399, 0}, TPoint{0, 299}, TPoint{399, 298}, TPoint{20, 20}}) {
    EXPECT_FALSE(clip.Contains(corner.X, corner.Y)) << corner.X << "," << corner.Y;
  }
  for (const TPoint& in : {TPoint{200, 0}, TPoint{0, 150}, TPoint{200, 150}, TPoint{398, 150}, TPoint{80, 80}}) {
    EXPECT_TRUE(clip.Contains(in.X, in.Y)) << in.X << "," << in.Y;
  }
}

TEST(Shapes, CircularRevealToCentre) {
  // 85: the picture outside a shrinking centred shape.
  EXPECT_TRUE(ClipOf(85, 400, 300, 0).IsEmpty()) << "nothing new at 0";
  const std::int64_t atOne = ClipOf(85, 400, 300, 1).Area();
  EXPECT_LT(atOne, 400 * 300 / 100) << "hardly anything at 1";
  const Region late = ClipOf(85, 400, 300, 99);
  EXPECT_FALSE(late.Contains(200, 150)) << "a small centred shape is still old";
  EXPECT_TRUE(late.Contains(0, 0));
  EXPECT_TRUE(late.Contains(190, 150));
  EXPECT_GT(late.Area(), 400 * 300 - 100);
  EXPECT_LT(late.Area(), 400 * 300);
  EXPECT_TRUE(RecipeOf(85, 400, 300, 99).xorPicture);
}

TEST(Shapes, CurvedCornerFromBottomRightUsesASquareCorner) {
  // 83's corner ellipse is 2H by 2H; 80 to 82 use 2W by 2H.
  EXPECT_EQ(RecipeOf(83, 400, 300, 40).roundRects[0].ew, 600);
  EXPECT_EQ(RecipeOf(83, 400, 300, 40).roundRects[0].eh, 600);
  EXPECT_EQ(RecipeOf(82, 400, 300, 40).roundRects[0].ew, 800);
}

TEST(Shapes, DiagonalRevealAtHalfFillsTheTopLeftHalf) {
  // 110 at 50: the triangle (0, 0), (W, 0), (0, H); each row's span ends
  // where the diagonal crosses it, rounded up.
  const Region clip = ClipOf(110, 400, 300, 50);
  RegionBuilder expected;
  for (int y = 0; y < 300; ++y) {
    const Region::Span s{0, 400 - (4 * y) / 3};
    expected.AddRows(y, y + 1, &s, 1);
  }
  EXPECT_EQ(clip, expected.Finish());
  EXPECT_TRUE(clip.Contains(0, 299));
  EXPECT_FALSE(clip.Contains(399, 299));
}

TEST(Shapes, TriangularShredCoversItsCellsAtTheEnd) {
  EXPECT_EQ(ClipOf(117, 400, 300, 100), Region::FromRect(0, 0, 400, 300));
  EXPECT_EQ(RecipeOf(117, 400, 300, 50).counts.size(), 100u);
  EXPECT_TRUE(ClipOf(117, 400, 300, 1).IsEmpty()) << "PX div 5 is 0";
}

// The union of same-turning triangles in one sweep is the union of their
// regions combined one by one; triangles that turn both ways are combined.
TEST(Shapes, TrianglesInOneSweepAreTheirUnion) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> size(1, 300), progress(0, 100);
  for (int i = 0; i < 150; ++i) {
    const int w = size(rng), h = size(rng), p = progress(rng);
    for (int number : {114, 115, 116, 117}) {
      const ShapeRecipe r = RecipeOf(number, w, h, p);
      Region expected;
      for (std::size_t k = 0, at = 0; k < r.counts.size(); at += r.counts[k], ++k) {
        expected = expected | TriangleRegion(r.points[at], r.points[at + 1], r.points[at + 2]);
      }
      ASSERT_EQ(ShapeRegion(r, w, h), expected) << number << " on " << w << "x" << h << " at " << p;
    }
  }
}

TEST(Shapes, TheFamilyDrawsItsTableRows) {
  const std::vector<int> members = FamilyMembers(kShapeEffects);
  EXPECT_EQ(members.size(), 22u);
  for (int n : members) {
    ShapeRecipe r;
    EXPECT_TRUE(ShapeRecipeOf(n, Extents(64, 48, 50), 50, r)) << n;
  }
  ShapeRecipe r;
  EXPECT_FALSE(ShapeRecipeOf(118, Extents(64, 48, 50), 50, r));
}

}  // namespace
}  // namespace kestro::testing
