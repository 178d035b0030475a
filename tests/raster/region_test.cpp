// Expected shapes below were read from GDI (CreateRectRgn, CreateRoundRectRgn,
// CreatePolygonRgn with WINDING).
#include <gtest/gtest.h>

#include "common/arith.h"
#include "raster/draw.h"
#include "raster/region.h"
#include "raster_test_util.h"

namespace kestro {
namespace {

// Left inset of every row of a region, from its top.
std::vector<int> LeftEdges(const Region& r) {
  std::vector<int> out;
  for (int y = r.Bounds().Top; y < r.Bounds().Bottom; ++y) {
    const Region::Band* b = r.BandAt(y);
    out.push_back(b ? r.Spans(*b)[0].Left : -1);
  }
  return out;
}

TEST(Region, RectanglesArePutInOrderAndEmptyOnesVanish) {
  EXPECT_EQ(Region::FromRect(10, 10, 0, 0), Region::FromRect(0, 0, 10, 10));
  EXPECT_TRUE(Region::FromRect(5, 5, 5, 10).IsEmpty());
  EXPECT_EQ(Region::FromRect(0, 0, 10, 10).Area(), 100);
}

TEST(Region, AlgebraIdentities) {
  const Region a = Region::FromRect(0, 0, 10, 10) | Region::FromRect(20, 5, 30, 25);
  const Region b = Region::RoundRect(5, 3, 26, 22, 9, 7);
  EXPECT_EQ(a ^ b, (a - b) | (b - a));
  EXPECT_EQ(a & b, a - (a - b));
  EXPECT_EQ((a | b).Area(), a.Area() + b.Area() - (a & b).Area());
  EXPECT_TRUE((a ^ a).IsEmpty());
  EXPECT_EQ(a | Region(), a);
  EXPECT_TRUE((a & Region()).IsEmpty());
  // The same pixels give the same bands whatever the order of building.
  const Region r1 = Region::FromRect(0, 0, 4, 2) | Region::FromRect(0, 2, 4, 4) | Region::FromRect(4, 0, 6, 4);
  EXPECT_EQ(r1, Region::FromRect(0, 0, 6, 4));
  EXPECT_EQ(r1.Bands().size(), 1u);
}

// Joining many rectangles at once, or OR-ing bands that come from top to
// bottom, must give the very region that OR-ing them one by one gives.
TEST(Region, FromRectsAndAppendedBandsEqualUnionsOneByOne) {
  std::uint32_t seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<TRect> rects;
    const int count = next(60);
    for (int i = 0; i < count; ++i) {
      const int x = next(80) - 10, y = next(80) - 10;
      // Some reversed, some empty, some touching.
      rects.push_back({x, y, x + next(30) - 5, y + next(30) - 5});
    }
    Region oneByOne;
    for (const TRect& r : rects) oneByOne = Region::Combine(oneByOne, Region::FromRect(r), RegionOp::rgnOr);
    ASSERT_EQ(Region::FromRects(rects), oneByOne) << "round " << round;
    // And the pixels are those of the rectangles, whatever the operations.
    Region common = Region::FromRect(-20, -20, 100, 100);
    for (std::size_t i = 0; i < rects.size(); i += 2) common &= Region::FromRect(rects[i]) | Region::FromRect(-20, 30, 100, 40);
    for (int y = -12; y < 100; y += 3) {
      for (int x = -12; x < 100; x += 1) {
        bool in = false, inAll = true;
        for (std::size_t i = 0; i < rects.size(); ++i) {
          const TRect& r = rects[i];
          const bool here = x >= std::min(r.Left, r.Right) && x < std::max(r.Left, r.Right) &&
                            y >= std::min(r.Top, r.Bottom) && y < std::max(r.Top, r.Bottom);
          in = in || here;
          if (i % 2 == 0) inAll = inAll && (here || (y >= 30 && y < 40));
        }
        inAll = inAll && x >= -20 && x < 100 && y >= -20 && y < 100;
        ASSERT_EQ(oneByOne.Contains(x, y), in) << "round " << round << " at " << x << "," << y;
        ASSERT_EQ(common.Contains(x, y), inAll) << "round " << round << " at " << x << "," << y;
      }
    }
    ASSERT_EQ(Region::FromRects(rects).Bounds(), oneByOne.Bounds());

    Region appended, combined;
    for (int y = next(5), k = 0; k < 12; ++k, y += next(4)) {
      const int h = 1 + next(3);
      const Region band = Region::FromRect(next(20), y, 20 + next(20), y + h) | Region::FromRect(50, y, 55, y + h);
      appended |= band;
      combined = Region::Combine(combined, band, RegionOp::rgnOr);
      y += h;
    }
    ASSERT_EQ(appended, combined) << "round " << round;
    ASSERT_EQ(appended.Bounds(), combined.Bounds());
  }
  EXPECT_TRUE(Region::FromRects(std::vector<TRect>{}).IsEmpty());
}

TEST(Region, ContainsAndOffset) {
  Region r = Region::FromRect(0, 0, 3, 3) - Region::FromRect(1, 1, 2, 2);
  EXPECT_TRUE(r.Contains(0, 1));
  EXPECT_FALSE(r.Contains(1, 1));
  EXPECT_FALSE(r.Contains(3, 0));
  r.Offset(10, 20);
  EXPECT_TRUE(r.Contains(10, 21));
  EXPECT_EQ(r.Bounds(), (TRect{10, 20, 13, 23}));
}

TEST(RoundRect, LeavesOutLastColumnAndRowAndRoundsCorners) {
  const Region r = Region::RoundRect(0, 0, 10, 10, 4, 4);
  const std::vector<TRect> expected{{1, 0, 8, 1}, {0, 1, 9, 8}, {1, 8, 8, 9}};
  EXPECT_EQ(r.Rects(), expected);
  EXPECT_EQ(Region::RoundRect(0, 0, 10, 10, 0, 0), Region::FromRect(0, 0, 9, 9));
  EXPECT_EQ(Region::RoundRect(0, 0, 10, 10, 2, 2), Region::FromRect(0, 0, 9, 9));
}

TEST(RoundRect, CornerEllipsesAreCutToTheRectangle) {
  const std::vector<int> circle{3, 1, 1, 0, 0, 0, 1, 1, 3};
  EXPECT_EQ(LeftEdges(Region::RoundRect(0, 0, 10, 10, 10, 10)), circle);
  EXPECT_EQ(LeftEdges(Region::RoundRect(0, 0, 10, 10, 200, 200)), circle);
  EXPECT_EQ(LeftEdges(Region::RoundRect(0, 0, 11, 11, 11, 11)), (std::vector<int>{3, 2, 1, 0, 0, 0, 0, 1, 2, 3}));
  // Tall corners of a flat rectangle.
  EXPECT_EQ(LeftEdges(Region::RoundRect(0, 0, 50, 6, 50, 6)), (std::vector<int>{10, 2, 0, 2, 10}));
}

TEST(RoundRect, InvertedCornersAndNegativeSizes) {
  const Region r = Region::RoundRect(0, 0, 12, 9, 5, 4);
  EXPECT_EQ(Region::RoundRect(12, 9, 0, 0, 5, 4), r);
  EXPECT_EQ(Region::RoundRect(0, 0, 12, 9, -5, -4), r);
  // No width: the column left of left.
  EXPECT_EQ(Region::RoundRect(4, 17, 4, 65, 95, 95), Region::FromRect(3, 17, 4, 64));
  EXPECT_TRUE(Region::RoundRect(0, 0, 1, 1, 2, 2).IsEmpty());
  EXPECT_EQ(Region::RoundRect(0, 0, 2, 2, 2, 2), Region::FromRect(0, 0, 1, 1));
}

TEST(RoundRect, HugeShapesAreSymmetricAndCheap) {
  // RR(-2W, -5, 2PX, H + 5, 2W, 2W) for 1920 x 1080 at progress 50.
  const Region r = Region::RoundRect(-3840, -5, 1920, 1085, 3840, 3840);
  EXPECT_EQ(r.Bounds(), (TRect{-3840, -5, 1919, 1084}));
  for (int y = 0; y < 1089; y += 97) {
    const Region::Band* top = r.BandAt(-5 + y);
    const Region::Band* bottom = r.BandAt(1083 - y);
    ASSERT_TRUE(top && bottom);
    EXPECT_EQ(r.Spans(*top)[0], r.Spans(*bottom)[0]) << y;
  }
}

TEST(Polygon, SamplesTheTopLeftCornerOfEachPixel) {
  const std::vector<TPoint> tri{{0, 0}, {10, 0}, {0, 10}};
  const Region r = Region::Polygon(tri);
  for (int y = 0; y < 10; ++y) {
    const Region::Band* b = r.BandAt(y);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(r.Spans(*b)[0], (Region::Span{0, 10 - y}));
  }
  EXPECT_FALSE(r.Contains(0, 10));
  EXPECT_EQ(Region::Polygon(std::vector<TPoint>{{0, 0}, {10, 0}, {10, 10}, {0, 10}}), Region::FromRect(0, 0, 10, 10));
}

TEST(Polygon, DegenerateAndSelfIntersecting) {
  EXPECT_TRUE(Region::Polygon(std::vector<TPoint>{{0, 0}, {10, 10}}).IsEmpty());
  EXPECT_TRUE(Region::Polygon(std::vector<TPoint>{{5, 5}}).IsEmpty());
  EXPECT_TRUE(Region::Polygon(std::vector<TPoint>{{0, 0}, {5, 5}, {10, 10}}).IsEmpty());  // collinear
  // Pentagram: the winding rule fills the centre too.
  const std::vector<TPoint> star{{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
  EXPECT_TRUE(Region::Polygon(star).Contains(50, 50));
  // A square traversed twice in the same direction is the square.
  const std::vector<TPoint> twice{{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0}, {8, 0}, {8, 8}, {0, 8}};
  EXPECT_EQ(Region::Polygon(twice), Region::FromRect(0, 0, 8, 8));
}

TEST(DrawThroughRegion, TriangleAtHalfProgressCoversTheTopLeftHalf) {
  // Effect 110 at progress 50 on 400 x 300: T((0, 0), (2PX, 0), (0, 2PY)).
  const int W = 400, H = 300, PX = MulDiv(W, 50, 100), PY = MulDiv(PX, H, W);
  const Region r = Region::Polygon(std::vector<TPoint>{{0, 0}, {2 * PX, 0}, {0, 2 * PY}});
  Bitmap24 screen(W, H, 0x000000), picture(W, H, 0xFFFFFF);
  DrawThroughRegion(screen, picture, r);
  EXPECT_EQ(screen.GetPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(screen.GetPixel(398, 0), 0xFFFFFFu);
  EXPECT_EQ(screen.GetPixel(0, 299), 0xFFFFFFu);
  EXPECT_EQ(screen.GetPixel(201, 149), 0xFFFFFFu);  // the edge crosses row 149 at 201.3
  EXPECT_EQ(screen.GetPixel(202, 149), 0x000000u);
  EXPECT_EQ(screen.GetPixel(399, 299), 0x000000u);
  EXPECT_EQ(r.Area(), 60300);  // sum over rows of ceil(400 - 4y / 3)
}

TEST(DrawThroughRegion, EmptyOrOutsideRegionsDrawNothing) {
  Bitmap24 screen(20, 10, 0x123456);
  const Bitmap24 picture(20, 10, 0xFFFFFF);
  DrawThroughRegion(screen, picture, Region());
  DrawThroughRegion(screen, picture, Region::FromRect(-10, -10, 0, 20));
  DrawThroughRegion(screen, picture, Region::Polygon(std::vector<TPoint>{{0, 0}, {0, 0}, {0, 0}}));
  EXPECT_EQ(screen, Bitmap24(20, 10, 0x123456));
  // A picture smaller than the screen is drawn only over its own size.
  DrawThroughRegion(screen, Bitmap24(5, 5, 0xFFFFFF), Region::FromRect(0, 0, 20, 10));
  EXPECT_EQ(screen.GetPixel(4, 4), 0xFFFFFFu);
  EXPECT_EQ(screen.GetPixel(5, 4), 0x123456u);
}

}  // namespace
}  // namespace kestro
