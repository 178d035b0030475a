#pragma once

// The bitmap type the picture code decodes into, and small pixel helpers.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/bitmap24.h"
#include "raster/color.h"

namespace kestro {

// A decoded raster: 24-bit pixels and, for formats that carry transparency,
// one alpha byte per pixel (row-major, 0 transparent .. 255 opaque). An empty
// alpha vector means the picture is opaque.
struct DecodedImage {
  Bitmap24 pixels;
  std::vector<std::uint8_t> alpha;

  int Width() const { return pixels.Width(); }
  int Height() const { return pixels.Height(); }
  bool HasAlpha() const { return !alpha.empty(); }
};

namespace imaging {

inline void PutRGB(std::uint8_t* row, int x, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

inline std::uint8_t Red(TColor c) { return static_cast<std::uint8_t>(c); }
inline std::uint8_t Green(TColor c) { return static_cast<std::uint8_t>(c >> 8); }
inline std::uint8_t Blue(TColor c) { return static_cast<std::uint8_t>(c >> 16); }
inline TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}

// Copies `source` onto `target` at (0, 0), clipped to both.
void CopyOnto(const Bitmap24& source, Bitmap24& target);
// Blends `source` with per-pixel `alpha` onto `target` at (0, 0), clipped.
void BlendOnto(const Bitmap24& source, const std::vector<std::uint8_t>& alpha, Bitmap24& target);
// Replaces the alpha vector by an empty one when every value is 255.
void DropOpaqueAlpha(DecodedImage& image);

}  // namespace imaging
}  // namespace kestro
