#include "platform/api/surface.h"

#include <gtest/gtest.h>

namespace kestro::platform {
namespace {

TEST(Surface, ResizeKeepsTheTopLeftAndFillsTheRest) {
  Surface s;
  s.Resize(3, 2, 0x00112233);
  EXPECT_EQ(s.Stride(), 12);  // rows padded to 4 bytes
  s.View().data[0] = 7;
  s.Resize(5, 3, 0x00445566);
  EXPECT_EQ(s.View().data[0], 7);
  EXPECT_EQ(s.View().data[1], 0x22);
  const std::uint8_t* far = s.View().data + 2 * s.Stride() + 4 * 3;
  EXPECT_EQ(far[0], 0x44);  // blue: colours are 0x00BBGGRR
  EXPECT_EQ(far[2], 0x66);  // red
}

TEST(SurfacePaintContext, DrawsClippedAndLeavesTransparentPixelsOut) {
  Surface s;
  s.Resize(4, 1, 0x00000000);
  std::uint8_t row[6] = {1, 2, 3, 0, 0, 0};  // one coloured pixel, one black
  SurfacePaintContext ctx(s, {0, 0, 3, 1});
  ctx.FillRect({0, 0, 4, 1}, 0x00FFFFFF);
  ctx.Draw({row, 2, 1, 6}, 1, 0, 0x00000000u);  // black is transparent
  const std::uint8_t* p = s.View().data;
  EXPECT_EQ(p[3], 1);      // drawn
  EXPECT_EQ(p[6], 0xFF);   // transparent: white shows through
  EXPECT_EQ(p[9], 0x00);   // outside the invalid area: untouched
}

}  // namespace
}  // namespace kestro::platform
