#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/error.h"
#include "raster/color.h"
#include "raster/geometry.h"

namespace kestro {

// A bitmap operation that cannot be carried out (a negative or too large size).
KESTRO_DECLARE_ERROR(EInvalidGraphicOperation);

// A 24-bit picture. Rows are stored top-down, one after another; each row
// holds Width() pixels of three bytes in the order blue, green, red and is
// padded with zero bytes to Stride(), a multiple of 4. This is the layout of
// a top-down 24-bit device-independent bitmap, so the pixels can be handed to
// the platform in one piece. ScanLine(y) is the first byte of row y.
// A 0 x 0 bitmap is valid and has no rows.
class Bitmap24 {
 public:
  // Largest width or height accepted; larger sizes raise EInvalidGraphicOperation.
  static constexpr std::int32_t kMaxSide = 1 << 20;

  Bitmap24() = default;
  Bitmap24(std::int32_t width, std::int32_t height);  // black
  Bitmap24(std::int32_t width, std::int32_t height, TColor fill);

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  TRect Bounds() const { return TRect{0, 0, width_, height_}; }
  std::size_t Stride() const { return stride_; }
  static std::size_t StrideFor(std::int32_t width);

  std::uint8_t* ScanLine(std::int32_t y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* ScanLine(std::int32_t y) const {
    return data_.data() + static_cast<std::size_t>(y) * stride_;
  }
  std::uint8_t* Bits() { return data_.data(); }
  const std::uint8_t* Bits() const { return data_.data(); }
  std::size_t ByteSize() const { return data_.size(); }

  // Pixel access. Out-of-range reads give 0xFFFFFFFF, writes are ignored.
  TColor GetPixel(std::int32_t x, std::int32_t y) const;
  void SetPixel(std::int32_t x, std::int32_t y, TColor color);

  void Fill(TColor color);
  // Fills the part of rect that lies inside the bitmap.
  void FillRect(const TRect& rect, TColor color);

  // Makes the bitmap width x height. What it held stays at its top-left;
  // pixels that were not there before get fill.
  void Resize(std::int32_t width, std::int32_t height, TColor fill);

  // Same size and same pixels (padding bytes are not compared).
  friend bool operator==(const Bitmap24& a, const Bitmap24& b);

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> data_;
};

// Fills count pixels starting at p with one colour.
void FillPixels(std::uint8_t* p, std::int32_t count, Bgr color);

}  // namespace kestro
