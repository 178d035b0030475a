#include <gtest/gtest.h>

#include "raster/bitmap24.h"
#include "raster/draw.h"
#include "raster_test_util.h"

namespace kestro {
namespace {

TEST(Bitmap24, RowsArePaddedToFourBytesAndHoldBlueGreenRed) {
  Bitmap24 b(5, 2);
  EXPECT_EQ(b.Stride(), 16u);  // 15 bytes of pixels, one of padding
  b.SetPixel(1, 1, RGBColor(0x11, 0x22, 0x33));
  const std::uint8_t* p = b.ScanLine(1) + 3;
  EXPECT_EQ(p[0], 0x33);
  EXPECT_EQ(p[1], 0x22);
  EXPECT_EQ(p[2], 0x11);
  EXPECT_EQ(b.GetPixel(1, 1), 0x332211u);
  EXPECT_EQ(b.GetPixel(5, 0), 0xFFFFFFFFu);  // outside
}

TEST(Bitmap24, EmptyBitmapsAreValid) {
  Bitmap24 e;
  EXPECT_TRUE(e.IsEmpty());
  e.Fill(0x123456);
  Bitmap24 dst(3, 3, 0);
  Draw(dst, 0, 0, e);
  TiledFill(dst, dst.Bounds(), e);
  EXPECT_EQ(dst, Bitmap24(3, 3, 0));
  EXPECT_THROW(Bitmap24(-1, 2), EInvalidGraphicOperation);
}

TEST(Bitmap24, ResizeKeepsTopLeftAndFillsNewPixels) {
  Bitmap24 b = test::Numbered(3, 2);
  b.Resize(4, 3, 0xABCDEF);
  EXPECT_EQ(b.GetPixel(2, 1), static_cast<TColor>(2 + 256));
  EXPECT_EQ(b.GetPixel(3, 0), 0xABCDEFu);
  EXPECT_EQ(b.GetPixel(0, 2), 0xABCDEFu);
  b.Resize(1, 1, 0);
  EXPECT_EQ(b.GetPixel(0, 0), 0u);
  b.Resize(0, 0, 0);
  EXPECT_TRUE(b.IsEmpty());
}

TEST(Bitmap24, FillRectIsClipped) {
  Bitmap24 b(4, 4, 0);
  b.FillRect(TRect{-5, 2, 2, 9}, 0x00FF00);
  EXPECT_EQ(b.GetPixel(1, 3), 0x00FF00u);
  EXPECT_EQ(b.GetPixel(2, 3), 0u);
  EXPECT_EQ(b.GetPixel(1, 1), 0u);
}

TEST(Draw, CopyRectClipsBothEndsAndHandlesOverlap) {
  Bitmap24 src = test::Numbered(4, 1);
  Bitmap24 dst(4, 1, 0xFFFFFF);
  CopyRect(dst, -1, 0, 4, 1, src, 1, 0);  // source columns 2, 3 reach x 0, 1; column 4 does not exist
  EXPECT_EQ(test::Columns(dst, 0), (std::vector<int>{2, 3, -1, -1}));

  Bitmap24 row = test::Numbered(6, 1);
  CopyRect(row, 2, 0, 4, 1, row, 0, 0);  // shift right within one bitmap
  EXPECT_EQ(test::Columns(row, 0), (std::vector<int>{0, 1, 0, 1, 2, 3}));
  Bitmap24 col = test::Numbered(1, 5);
  CopyRect(col, 0, 1, 1, 4, col, 0, 0);  // shift down
  EXPECT_EQ(test::RowsOf(col, 0), (std::vector<int>{0, 0, 1, 2, 3}));
}

TEST(Draw, TiledFillStartsAtTheBitmapOrigin) {
  Bitmap24 pattern = test::Numbered(3, 2);
  Bitmap24 dst(8, 5, 0xFFFFFF);
  TiledFill(dst, TRect{4, 1, 8, 5}, pattern);
  EXPECT_EQ(dst.GetPixel(4, 1), static_cast<TColor>(1 + 256));  // 4 mod 3, 1 mod 2
  EXPECT_EQ(dst.GetPixel(6, 4), static_cast<TColor>(0));
  EXPECT_EQ(dst.GetPixel(3, 1), 0xFFFFFFu);
}

TEST(Draw, TransparentDrawLeavesOutOneColour) {
  Bitmap24 pic(2, 1, 0);
  pic.SetPixel(1, 0, 0x0000FF);
  Bitmap24 dst(3, 1, 0x777777);
  DrawTransparent(dst, 1, 0, pic, 0);
  EXPECT_EQ(dst.GetPixel(1, 0), 0x777777u);
  EXPECT_EQ(dst.GetPixel(2, 0), 0x0000FFu);
}

}  // namespace
}  // namespace kestro
