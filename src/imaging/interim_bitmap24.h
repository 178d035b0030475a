#pragma once

// Stand-in for the raster layer's bitmap until it is available to this
// branch: the part of its interface the picture code uses, with the same
// names and layout (24-bit blue, green, red rows, top-down, each row padded
// to a multiple of 4 bytes).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestro {

// A colour as 0x00BBGGRR.
using TColor = std::uint32_t;

class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(std::int32_t width, std::int32_t height) : Bitmap24(width, height, 0) {}
  Bitmap24(std::int32_t width, std::int32_t height, TColor fill) {
    if (width > 0 && height > 0) {
      width_ = width;
      height_ = height;
      stride_ = StrideFor(width);
      data_.assign(stride_ * static_cast<std::size_t>(height), 0);
      if (fill != 0) Fill(fill);
    }
  }

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  std::size_t Stride() const { return stride_; }
  static std::size_t StrideFor(std::int32_t width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

  std::uint8_t* ScanLine(std::int32_t y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* ScanLine(std::int32_t y) const { return data_.data() + static_cast<std::size_t>(y) * stride_; }

  TColor GetPixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    const std::uint8_t* p = ScanLine(y) + static_cast<std::size_t>(x) * 3;
    return static_cast<TColor>(p[2]) | static_cast<TColor>(p[1]) << 8 | static_cast<TColor>(p[0]) << 16;
  }

  void Fill(TColor color) {
    for (std::int32_t y = 0; y < height_; ++y) {
      std::uint8_t* p = ScanLine(y);
      for (std::int32_t x = 0; x < width_; ++x, p += 3) {
        p[0] = static_cast<std::uint8_t>(color >> 16);
        p[1] = static_cast<std::uint8_t>(color >> 8);
        p[2] = static_cast<std::uint8_t>(color);
      }
    }
  }

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> data_;
};

}  // namespace kestro
