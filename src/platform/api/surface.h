#pragma once

#include <cstdint>
#include <vector>

#include "platform/api/ui.h"

namespace kestro::platform {

// A window's composed image: 24-bit pixels of client size. Backends paint
// into it and then show it; mirrors and tests read it back.
class Surface {
 public:
  void Resize(std::int32_t width, std::int32_t height, std::uint32_t color);
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  Pixels View() { return {pixels_.data(), width_, height_, Stride()}; }
  ConstPixels View() const { return {pixels_.data(), width_, height_, Stride()}; }
  // Rows are padded to 4 bytes, as device-independent bitmaps are.
  std::ptrdiff_t Stride() const { return (static_cast<std::ptrdiff_t>(width_) * 3 + 3) & ~std::ptrdiff_t{3}; }

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<std::uint8_t> pixels_;
};

// Paints into a surface, clipped to the invalid rectangle.
class SurfacePaintContext final : public PaintContext {
 public:
  SurfacePaintContext(Surface& surface, const TRect& invalid);
  TRect InvalidRect() const override { return invalid_; }
  void FillRect(const TRect& rect, std::uint32_t color) override;
  void Draw(const ConstPixels& pixels, std::int32_t x, std::int32_t y,
            std::optional<std::uint32_t> transparentColor) override;

 private:
  Surface& surface_;
  TRect invalid_;
};

}  // namespace kestro::platform
