#pragma once

// A 24-bit image with guard bytes before, after and at the end of every row,
// to draw text and pictures on in tests and see that nothing was written
// outside the pixels.

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/geometry.h"
#include "platform/api/ui.h"

namespace kestro::testing {

struct Canvas {
  static constexpr int kGuard = 64;
  Canvas(int w, int h, std::uint8_t fill = 0)
      : width(w), height(h), stride(w * 3 + 5), bytes(static_cast<std::size_t>(stride) * h + 2 * kGuard, 0xA5) {
    for (int y = 0; y < h; ++y) std::memset(Row(y), fill, static_cast<std::size_t>(w) * 3);
  }
  std::uint8_t* Row(int y) { return bytes.data() + kGuard + static_cast<std::size_t>(y) * stride; }
  const std::uint8_t* Pixel(int x, int y) { return Row(y) + x * 3; }
  platform::Pixels View() { return {bytes.data() + kGuard, width, height, stride}; }
  bool Changed(int x, int y, std::uint8_t fill = 0) {
    const std::uint8_t* p = Pixel(x, y);
    return p[0] != fill || p[1] != fill || p[2] != fill;
  }
  // The guard bytes: before, after and at the end of every row.
  bool GuardsIntact() const {
    for (int i = 0; i < kGuard; ++i) {
      if (bytes[i] != 0xA5 || bytes[bytes.size() - 1 - i] != 0xA5) return false;
    }
    for (int y = 0; y < height; ++y) {
      for (int i = width * 3; i < stride; ++i) {
        if (bytes[kGuard + static_cast<std::size_t>(y) * stride + i] != 0xA5) return false;
      }
    }
    return true;
  }
  // The changed pixels as a rectangle (empty when none changed).
  TRect Ink(std::uint8_t fill = 0) {
    TRect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (!Changed(x, y, fill)) continue;
        r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
      }
    }
    return r.IsEmpty() ? TRect{} : r;
  }
  int width, height, stride;
  std::vector<std::uint8_t> bytes;
};

}  // namespace kestro::testing
