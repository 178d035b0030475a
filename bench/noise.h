#pragma once

// Pictures of noise for the benchmarks: every byte from a linear
// congruential generator, so that no run-length or cache shortcut helps and
// every run draws the same pixels.

#include <cstdint>

#include "raster/bitmap24.h"

namespace kestro::bench {

inline Bitmap24 Noise(int w, int h, std::uint32_t seed) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = b.ScanLine(y);
    for (int i = 0; i < w * 3; ++i) {
      seed = seed * 1664525u + 1013904223u;
      p[i] = static_cast<std::uint8_t>(seed >> 24);
    }
  }
  return b;
}

}  // namespace kestro::bench
