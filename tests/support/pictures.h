#pragma once

// Pictures for tests: writing them as files and reading back what a window
// shows. Used by the unit tests on the headless window system and by the
// programs that run under wine.

#include <cstdint>
#include <fstream>
#include <string>

#include "common/geometry.h"
#include "platform/api/ui.h"
#include "raster/bitmap24.h"

namespace kestro::testing {

// Writes a 24-bit Windows bitmap file.
inline void WriteBmp(const std::string& file, const Bitmap24& b) {
  std::string bytes;
  auto put = [&bytes](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto stride = static_cast<std::uint32_t>(b.Stride());
  const std::uint32_t bits = stride * static_cast<std::uint32_t>(b.Height());
  bytes += "BM";
  put(14 + 40 + bits, 4);
  put(0, 4);
  put(14 + 40, 4);
  put(40, 4);
  put(static_cast<std::uint32_t>(b.Width()), 4);
  put(static_cast<std::uint32_t>(b.Height()), 4);
  put(1, 2);
  put(24, 2);
  for (int i = 0; i < 6; ++i) put(0, 4);
  for (std::int32_t y = b.Height() - 1; y >= 0; --y) {
    bytes.append(reinterpret_cast<const char*>(b.ScanLine(y)), stride);
  }
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline TColor SurfacePixel(const platform::Window& window, std::int32_t x, std::int32_t y) {
  const platform::ConstPixels s = window.Surface();
  const std::uint8_t* p = s.data + y * s.stride + x * 3;
  return RGBColor(p[2], p[1], p[0]);
}

// True when every pixel of `rect` of the window shows the same pixel of `b`
// at (x - dx, y - dy).
inline bool SurfaceShows(const platform::Window& window, const TRect& rect, const Bitmap24& b,
                         std::int32_t dx = 0, std::int32_t dy = 0) {
  for (std::int32_t y = rect.Top; y < rect.Bottom; ++y) {
    for (std::int32_t x = rect.Left; x < rect.Right; ++x) {
      if (SurfacePixel(window, x, y) != b.GetPixel(x - dx, y - dy)) return false;
    }
  }
  return true;
}

}  // namespace kestro::testing
