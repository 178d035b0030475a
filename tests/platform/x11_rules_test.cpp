// The X11 backend's rules that need no display: the order of monitors, the
// key codes the input filter sees, and the pixel formats it presents in.
#include <gtest/gtest.h>

#include <vector>

#include "platform/x11/pixel_format.h"
#include "platform/x11/rules.h"

namespace kestro::platform::x11 {
namespace {

TEST(X11Monitors, PrimaryFirstThenAsReportedWithoutRepeatsOrEmptyAreas) {
  const TRect left{0, 0, 800, 600}, right{800, 0, 1440, 480}, above{0, -600, 800, 0};
  EXPECT_EQ(OrderMonitors({{left, false}, {right, true}, {above, false}}), (std::vector<TRect>{right, left, above}));
  // No primary: the monitor at the desktop's origin leads.
  EXPECT_EQ(OrderMonitors({{above, false}, {right, false}, {left, false}}), (std::vector<TRect>{left, above, right}));
  // Cloned outputs and disabled ones (empty) are one monitor, or none.
  EXPECT_EQ(OrderMonitors({{left, false}, {left, true}, {{5, 5, 5, 9}, false}, {right, false}}),
            (std::vector<TRect>{left, right}));
  // Xvfb's Xinerama screens both at 0,0: two monitors, the first reported first.
  const TRect small{0, 0, 640, 480};
  EXPECT_EQ(OrderMonitors({{left, false}, {small, false}}), (std::vector<TRect>{left, small}));
  EXPECT_TRUE(OrderMonitors({}).empty());
}

TEST(X11Keys, VirtualKeysOfTheKeysTheRulesName) {
  EXPECT_EQ(VirtualKeyOf(0xFF1B), 27u);  // Escape
  EXPECT_EQ(VirtualKeyOf('a'), static_cast<std::uintptr_t>('A'));
  EXPECT_EQ(VirtualKeyOf('Q'), static_cast<std::uintptr_t>('Q'));
  EXPECT_EQ(VirtualKeyOf('7'), static_cast<std::uintptr_t>('7'));
  EXPECT_EQ(VirtualKeyOf(0xFF0D), 13u);  // Return
  EXPECT_EQ(VirtualKeyOf(0xFFBE), 0x70u);  // F1
  EXPECT_EQ(VirtualKeyOf(0xFF51), 0x25u);  // Left
  EXPECT_EQ(VirtualKeyOf(0xFFE9), 0x12u);  // Alt
  EXPECT_EQ(VirtualKeyOf(0x1008FF11), 0u) << "a multimedia key has no virtual key";
}

// Converts a 3 x 2 picture into the format and answers the image's bytes.
std::vector<std::uint8_t> Convert(const PixelFormat& format, const TRect& area, std::ptrdiff_t stride) {
  // Blue-green-red: (10,20,30) (40,50,60) (70,80,90) / (255,0,0) (0,255,0) (0,0,255)
  const std::uint8_t pixels[2][12] = {{30, 20, 10, 60, 50, 40, 90, 80, 70, 0, 0, 0},
                                      {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}};
  const ConstPixels source{&pixels[0][0], 3, 2, 12};
  std::vector<std::uint8_t> image(static_cast<std::size_t>(stride) * 2, 0xEE);
  ConvertArea(source, area, image.data(), stride, format);
  return image;
}

TEST(X11Pixels, ThirtyTwoBitsBlueGreenRedSpare) {
  const auto image = Convert(PixelFormat{}, {0, 0, 3, 2}, 12);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.begin() + 12),
            (std::vector<std::uint8_t>{30, 20, 10, 0, 60, 50, 40, 0, 90, 80, 70, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 12, image.end()),
            (std::vector<std::uint8_t>{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}));
}

TEST(X11Pixels, OnlyTheAreaIsWritten) {
  const auto image = Convert(PixelFormat{}, {1, 1, 2, 2}, 12);
  for (std::size_t i = 0; i < image.size(); ++i) {
    if (i >= 16 && i < 20) continue;
    EXPECT_EQ(image[i], 0xEE) << i;
  }
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 16, image.begin() + 20), (std::vector<std::uint8_t>{0, 255, 0, 0}));
}

TEST(X11Pixels, SixteenBitsFiveSixFiveBothByteOrders) {
  PixelFormat rgb565{16, false, 0xF800, 0x07E0, 0x001F};
  auto image = Convert(rgb565, {0, 1, 3, 2}, 6);
  // Red, green, blue of row 1.
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 6, image.end()),
            (std::vector<std::uint8_t>{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}));
  rgb565.msbFirst = true;
  image = Convert(rgb565, {0, 1, 3, 2}, 6);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 6, image.end()),
            (std::vector<std::uint8_t>{0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F}));
}

TEST(X11Pixels, TwentyFourBitsAndSwappedMasks) {
  const PixelFormat bgr24{24, false, 0x0000FF, 0x00FF00, 0xFF0000};
  const auto image = Convert(bgr24, {0, 0, 1, 1}, 9);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.begin() + 3), (std::vector<std::uint8_t>{10, 20, 30}));
  EXPECT_FALSE((PixelFormat{8, false, 0xE0, 0x1C, 0x03}).Supported());
  EXPECT_FALSE((PixelFormat{32, false, 0, 0, 0}).Supported());
}

}  // namespace
}  // namespace kestro::platform::x11
