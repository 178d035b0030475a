#pragma once

#include <cstddef>
#include <cstdint>

#include "common/geometry.h"
#include "platform/api/ui.h"

namespace kestro::platform::x11 {

// How a true-colour visual lays out one pixel of an image: the bits per
// pixel (16, 24 or 32), the byte order, and the masks of its three channels.
struct PixelFormat {
  int bitsPerPixel = 32;
  bool msbFirst = false;
  std::uint32_t redMask = 0xFF0000;
  std::uint32_t greenMask = 0x00FF00;
  std::uint32_t blueMask = 0x0000FF;
  // Formats this code writes: true colour of 16, 24 or 32 bits per pixel
  // with three non-empty masks.
  bool Supported() const;
};

// Copies `area` of the 24-bit blue-green-red pixels into an image of the
// given format whose rows lie `stride` bytes apart, at the same place.
// `area` must lie inside both.
void ConvertArea(const ConstPixels& source, const TRect& area, std::uint8_t* image, std::ptrdiff_t stride,
                 const PixelFormat& format);

}  // namespace kestro::platform::x11
