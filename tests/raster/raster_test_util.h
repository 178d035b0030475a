#pragma once

#include <cstdint>
#include <vector>

#include "raster/bitmap24.h"

namespace kestro::test {

// A bitmap whose pixel (x, y) holds the colour x + 256 * y, so that a copy
// shows which source pixel each destination pixel came from.
inline Bitmap24 Numbered(std::int32_t w, std::int32_t h) {
  Bitmap24 b(w, h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) b.SetPixel(x, y, static_cast<TColor>(x + 256 * y));
  return b;
}

// Source column (or -1 for an untouched 0xFFFFFF pixel) of each pixel of row y.
inline std::vector<int> Columns(const Bitmap24& b, std::int32_t y) {
  std::vector<int> out;
  for (std::int32_t x = 0; x < b.Width(); ++x) {
    const TColor c = b.GetPixel(x, y);
    out.push_back(c == 0xFFFFFF ? -1 : static_cast<int>(c & 0xFF));
  }
  return out;
}

// Source row of each pixel of column x.
inline std::vector<int> RowsOf(const Bitmap24& b, std::int32_t x) {
  std::vector<int> out;
  for (std::int32_t y = 0; y < b.Height(); ++y) {
    const TColor c = b.GetPixel(x, y);
    out.push_back(c == 0xFFFFFF ? -1 : static_cast<int>((c >> 8) & 0xFF));
  }
  return out;
}

}  // namespace kestro::test
