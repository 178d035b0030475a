#pragma once

// Stand-in for the raster layer's bitmap until it is available to this
// branch: only what the picture code uses. Rows are 24-bit blue, green, red.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kestro {

// A colour as 0x00BBGGRR.
using TColor = std::uint32_t;

class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { SetSize(width, height); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // New size; the pixels become black.
  void SetSize(int width, int height) {
    width_ = width > 0 && height > 0 ? width : 0;
    height_ = width > 0 && height > 0 ? height : 0;
    stride_ = static_cast<std::size_t>(width_) * 3;
    pixels_.assign(stride_ * static_cast<std::size_t>(height_), 0);
  }

  std::uint8_t* ScanLine(int y) { return pixels_.data() + stride_ * static_cast<std::size_t>(y); }
  const std::uint8_t* ScanLine(int y) const {
    return pixels_.data() + stride_ * static_cast<std::size_t>(y);
  }

  void Fill(TColor color) {
    for (int y = 0; y < height_; ++y) {
      std::uint8_t* p = ScanLine(y);
      for (int x = 0; x < width_; ++x, p += 3) {
        p[0] = static_cast<std::uint8_t>(color >> 16);
        p[1] = static_cast<std::uint8_t>(color >> 8);
        p[2] = static_cast<std::uint8_t>(color);
      }
    }
  }

  TColor Pixel(int x, int y) const {
    const std::uint8_t* p = ScanLine(y) + static_cast<std::size_t>(x) * 3;
    return static_cast<TColor>(p[2]) | static_cast<TColor>(p[1]) << 8 | static_cast<TColor>(p[0]) << 16;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace kestro
