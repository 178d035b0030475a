// Expected columns and rows below were read from GDI (StretchBlt with
// COLORONCOLOR between DIB sections).
#include <gtest/gtest.h>

#include "raster/stretch.h"
#include "raster_test_util.h"

namespace kestro {
namespace {

std::vector<int> StretchRow(int sw, int dw, TRect dstRect, TRect srcRect, int dstWidth) {
  Bitmap24 src = test::Numbered(sw, 1);
  Bitmap24 dst(dstWidth, 1, 0xFFFFFF);
  StretchCopy(dst, dstRect, src, srcRect);
  return test::Columns(dst, 0);
}

std::vector<int> StretchColumn(int sh, int dh) {
  Bitmap24 src = test::Numbered(1, sh);
  Bitmap24 dst(1, dh, 0xFFFFFF);
  StretchCopy(dst, TRect{0, 0, 1, dh}, src, TRect{0, 0, 1, sh});
  return test::RowsOf(dst, 0);
}

std::vector<int> Row(int sw, int dw) { return StretchRow(sw, dw, TRect{0, 0, dw, 1}, TRect{0, 0, sw, 1}, dw); }

TEST(StretchCopy, EnlargingTakesTheSourcePixelUnderTheCentreRoundingDown) {
  EXPECT_EQ(Row(2, 5), (std::vector<int>{0, 0, 0, 1, 1}));
  EXPECT_EQ(Row(3, 5), (std::vector<int>{0, 0, 1, 2, 2}));
  EXPECT_EQ(Row(3, 6), (std::vector<int>{0, 0, 1, 1, 2, 2}));
  EXPECT_EQ(StretchColumn(2, 5), (std::vector<int>{0, 0, 0, 1, 1}));
}

TEST(StretchCopy, ShrinkingRoundsColumnsAndRowsDifferently) {
  EXPECT_EQ(Row(5, 2), (std::vector<int>{2, 4}));
  EXPECT_EQ(Row(5, 3), (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(Row(4, 2), (std::vector<int>{1, 3}));
  EXPECT_EQ(Row(7, 1), (std::vector<int>{5}));  // one column: next to last
  EXPECT_EQ(StretchColumn(5, 2), (std::vector<int>{0, 3}));
  EXPECT_EQ(StretchColumn(4, 2), (std::vector<int>{0, 2}));
  EXPECT_EQ(StretchColumn(7, 1), (std::vector<int>{0}));
}

TEST(StretchCopy, ClippedDestinationKeepsTheWholeCopysScale) {
  const std::vector<int> whole = Row(3, 10);
  const std::vector<int> shifted = StretchRow(3, 10, TRect{-4, 0, 6, 1}, TRect{0, 0, 3, 1}, 6);
  EXPECT_EQ(shifted, std::vector<int>(whole.begin() + 4, whole.end()));
}

TEST(StretchCopy, SourceOutsideTheBitmapIsCutWithItsDestinationPart) {
  // Source -5 .. 15 of a 10-pixel row shrunk onto 10 pixels: only the middle
  // part is drawn, and its edge pixels are held to the bitmap.
  EXPECT_EQ(StretchRow(10, 10, TRect{0, 0, 10, 1}, TRect{-5, 0, 15, 1}, 10),
            (std::vector<int>{-1, -1, 0, 2, 4, 6, 8, 9, -1, -1}));
  // Enlarging -5 .. 5 onto 20 pixels: the existing source lands on 10 .. 19.
  std::vector<int> expected(10, -1);
  expected.insert(expected.end(), {0, 0});
  EXPECT_EQ(StretchRow(10, 20, TRect{0, 0, 20, 1}, TRect{-5, 0, 5, 1}, 12), expected);
}

TEST(StretchCopy, SwappedEdgesMirror) {
  // Destination (9, 0) .. (-1, 1): width -10 covers x 0 .. 9 from the right.
  EXPECT_EQ(StretchRow(10, 10, TRect{9, 0, -1, 1}, TRect{0, 0, 10, 1}, 10),
            (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(StretchRow(5, 10, TRect{9, 0, -1, 1}, TRect{0, 0, 5, 1}, 10),
            (std::vector<int>{4, 4, 3, 3, 2, 2, 1, 1, 0, 0}));
  // Both mirrored: each side counts from its own anchor.
  EXPECT_EQ(StretchRow(10, 10, TRect{9, 0, -1, 1}, TRect{5, 0, 0, 1}, 10),
            (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5}));
}

TEST(StretchCopy, CopyWithinOneBitmapReadsTheOldPixels) {
  // Push right by 2 on a 6-wide row, and squeeze the whole row into 4 pixels.
  Bitmap24 b = test::Numbered(6, 1);
  StretchCopy(b, TRect{2, 0, 6, 1}, b, TRect{0, 0, 4, 1});
  EXPECT_EQ(test::Columns(b, 0), (std::vector<int>{0, 1, 0, 1, 2, 3}));
  Bitmap24 c = test::Numbered(6, 1);
  StretchCopy(c, TRect{2, 0, 6, 1}, c, TRect{0, 0, 6, 1});
  EXPECT_EQ(test::Columns(c, 0), (std::vector<int>{0, 1, 1, 2, 4, 5}));
}

TEST(StretchCopy, EmptyRectanglesAndClipDrawNothing) {
  Bitmap24 src = test::Numbered(4, 4);
  Bitmap24 dst(4, 4, 0xFFFFFF);
  StretchCopy(dst, TRect{2, 0, 2, 4}, src, TRect{0, 0, 4, 4});
  StretchCopy(dst, TRect{0, 0, 4, 4}, src, TRect{0, 0, 4, 4}, Region());
  EXPECT_EQ(dst, Bitmap24(4, 4, 0xFFFFFF));
  StretchCopy(dst, TRect{0, 0, 4, 4}, src, TRect{0, 0, 4, 4}, Region::FromRect(1, 1, 2, 3));
  EXPECT_EQ(dst.GetPixel(1, 2), static_cast<TColor>(1 + 2 * 256));
  EXPECT_EQ(dst.GetPixel(2, 2), 0xFFFFFFu);
}

}  // namespace
}  // namespace kestro
