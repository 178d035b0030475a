#include "platform/x11/pixel_format.h"

#include <bit>

namespace kestro::platform::x11 {

namespace {

// A channel's place in the pixel value: 8 bits shifted to the mask.
struct Channel {
  int shift = 0;  // of the mask's lowest bit
  int bits = 0;   // the mask's width
  std::uint32_t Place(std::uint8_t value) const {
    const std::uint32_t v = bits >= 8 ? static_cast<std::uint32_t>(value) << (bits - 8)
                                      : static_cast<std::uint32_t>(value) >> (8 - bits);
    return v << shift;
  }
};

Channel ChannelOf(std::uint32_t mask) {
  Channel c;
  c.shift = std::countr_zero(mask);
  c.bits = std::popcount(mask);
  return c;
}

}  // namespace

bool PixelFormat::Supported() const {
  return (bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32) && redMask != 0 && greenMask != 0 &&
         blueMask != 0;
}

void ConvertArea(const ConstPixels& source, const TRect& area, std::uint8_t* image, std::ptrdiff_t stride,
                 const PixelFormat& format) {
  const int bytes = format.bitsPerPixel / 8;
  const bool plain32 = format.bitsPerPixel == 32 && !format.msbFirst && format.redMask == 0xFF0000 &&
                       format.greenMask == 0x00FF00 && format.blueMask == 0x0000FF;
  const Channel red = ChannelOf(format.redMask);
  const Channel green = ChannelOf(format.greenMask);
  const Channel blue = ChannelOf(format.blueMask);
  for (std::int32_t y = area.Top; y < area.Bottom; ++y) {
    const std::uint8_t* in = source.data + y * source.stride + area.Left * 3;
    std::uint8_t* out = image + y * stride + static_cast<std::ptrdiff_t>(area.Left) * bytes;
    if (plain32) {
      // The common visual: blue, green, red and a spare byte.
      for (std::int32_t x = area.Left; x < area.Right; ++x, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 0;
      }
      continue;
    }
    for (std::int32_t x = area.Left; x < area.Right; ++x, in += 3, out += bytes) {
      const std::uint32_t value = blue.Place(in[0]) | green.Place(in[1]) | red.Place(in[2]);
      for (int b = 0; b < bytes; ++b) {
        const int byteIndex = format.msbFirst ? bytes - 1 - b : b;
        out[byteIndex] = static_cast<std::uint8_t>(value >> (8 * b));
      }
    }
  }
}

}  // namespace kestro::platform::x11
