#include "platform/api/surface.h"

#include <algorithm>
#include <cstring>

namespace kestro::platform {

namespace {

void PutColor(std::uint8_t* p, std::uint32_t color) {
  p[0] = static_cast<std::uint8_t>((color >> 16) & 0xFF);  // blue
  p[1] = static_cast<std::uint8_t>((color >> 8) & 0xFF);   // green
  p[2] = static_cast<std::uint8_t>(color & 0xFF);          // red
}

}  // namespace

void Surface::Resize(std::int32_t width, std::int32_t height, std::uint32_t color) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  const std::ptrdiff_t oldStride = Stride();
  const std::int32_t oldWidth = width_;
  const std::int32_t oldHeight = height_;
  width_ = width;
  height_ = height;
  const std::ptrdiff_t stride = Stride();
  std::vector<std::uint8_t> next(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = &next[static_cast<std::size_t>(y * stride)];
    for (std::int32_t x = 0; x < width; ++x) PutColor(row + x * 3, color);
  }
  const std::int32_t keepW = std::min(width, oldWidth);
  const std::int32_t keepH = std::min(height, oldHeight);
  for (std::int32_t y = 0; y < keepH; ++y) {
    std::memcpy(&next[static_cast<std::size_t>(y * stride)], &pixels_[static_cast<std::size_t>(y * oldStride)],
                static_cast<std::size_t>(keepW) * 3);
  }
  pixels_.swap(next);
}

SurfacePaintContext::SurfacePaintContext(Surface& surface, const TRect& invalid)
    : surface_(surface), invalid_(invalid.Intersect(RectOfSize(surface.Width(), surface.Height()))) {}

void SurfacePaintContext::FillRect(const TRect& rect, std::uint32_t color) {
  const TRect r = rect.Intersect(invalid_);
  if (r.IsEmpty()) return;
  Pixels view = surface_.View();
  for (std::int32_t y = r.Top; y < r.Bottom; ++y) {
    std::uint8_t* p = view.data + y * view.stride + static_cast<std::ptrdiff_t>(r.Left) * 3;
    for (std::int32_t x = r.Left; x < r.Right; ++x, p += 3) PutColor(p, color);
  }
}

void SurfacePaintContext::Draw(const ConstPixels& pixels, std::int32_t x, std::int32_t y,
                               std::optional<std::uint32_t> transparentColor) {
  const TRect r = TRect{x, y, x + pixels.width, y + pixels.height}.Intersect(invalid_);
  if (r.IsEmpty()) return;
  Pixels view = surface_.View();
  for (std::int32_t row = r.Top; row < r.Bottom; ++row) {
    std::uint8_t* dst = view.data + row * view.stride + static_cast<std::ptrdiff_t>(r.Left) * 3;
    const std::uint8_t* src =
        pixels.data + (row - y) * pixels.stride + static_cast<std::ptrdiff_t>(r.Left - x) * 3;
    const std::size_t bytes = static_cast<std::size_t>(r.Width()) * 3;
    if (!transparentColor) {
      std::memcpy(dst, src, bytes);
      continue;
    }
    std::uint8_t key[3];
    PutColor(key, *transparentColor);
    for (std::size_t i = 0; i < bytes; i += 3) {
      if (src[i] != key[0] || src[i + 1] != key[1] || src[i + 2] != key[2]) {
        dst[i] = src[i];
        dst[i + 1] = src[i + 1];
        dst[i + 2] = src[i + 2];
      }
    }
  }
}

}  // namespace kestro::platform
