#include "raster/bitmap24.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kestro {

namespace {

void CheckSize(std::int32_t width, std::int32_t height) {
  if (width < 0 || height < 0 || width > Bitmap24::kMaxSide || height > Bitmap24::kMaxSide) {
    throw EInvalidGraphicOperation("Invalid bitmap size " + std::to_string(width) + " x " +
                                   std::to_string(height));
  }
}

}  // namespace

std::size_t Bitmap24::StrideFor(std::int32_t width) {
  return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

Bitmap24::Bitmap24(std::int32_t width, std::int32_t height) {
  CheckSize(width, height);
  width_ = width;
  height_ = height;
  stride_ = StrideFor(width);
  data_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

Bitmap24::Bitmap24(std::int32_t width, std::int32_t height, TColor fill) : Bitmap24(width, height) {
  Fill(fill);
}

TColor Bitmap24::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFFu;
  const std::uint8_t* p = ScanLine(y) + static_cast<std::size_t>(x) * 3;
  return RGBColor(p[2], p[1], p[0]);
}

void Bitmap24::SetPixel(std::int32_t x, std::int32_t y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = ScanLine(y) + static_cast<std::size_t>(x) * 3;
  p[0] = BlueOf(color);
  p[1] = GreenOf(color);
  p[2] = RedOf(color);
}

void FillPixels(std::uint8_t* p, std::int32_t count, Bgr color) {
  if (count <= 0) return;
  if (color.b == color.g && color.g == color.r) {
    std::memset(p, color.b, static_cast<std::size_t>(count) * 3);
    return;
  }
  p[0] = color.b;
  p[1] = color.g;
  p[2] = color.r;
  // Doubling copies: the filled prefix is copied onto what follows it.
  std::size_t done = 3;
  const std::size_t total = static_cast<std::size_t>(count) * 3;
  while (done < total) {
    const std::size_t n = std::min(done, total - done);
    std::memcpy(p + done, p, n);
    done += n;
  }
}

void Bitmap24::Fill(TColor color) { FillRect(Bounds(), color); }

void Bitmap24::FillRect(const TRect& rect, TColor color) {
  const TRect r = Intersect(rect, Bounds());
  if (r.IsEmpty()) return;
  const Bgr c = ToBgr(color);
  std::uint8_t* first = ScanLine(r.Top) + static_cast<std::size_t>(r.Left) * 3;
  FillPixels(first, r.Width(), c);
  const std::size_t n = static_cast<std::size_t>(r.Width()) * 3;
  for (std::int32_t y = r.Top + 1; y < r.Bottom; ++y) {
    std::memcpy(ScanLine(y) + static_cast<std::size_t>(r.Left) * 3, first, n);
  }
}

void Bitmap24::Resize(std::int32_t width, std::int32_t height, TColor fill) {
  CheckSize(width, height);
  if (width == width_ && height == height_) return;
  Bitmap24 next(width, height, fill);
  const std::int32_t w = std::min(width, width_);
  const std::int32_t h = std::min(height, height_);
  for (std::int32_t y = 0; y < h; ++y) {
    std::memcpy(next.ScanLine(y), ScanLine(y), static_cast<std::size_t>(w) * 3);
  }
  *this = std::move(next);
}

bool operator==(const Bitmap24& a, const Bitmap24& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_) return false;
  const std::size_t n = static_cast<std::size_t>(a.width_) * 3;
  for (std::int32_t y = 0; y < a.height_; ++y) {
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), n) != 0) return false;
  }
  return true;
}

}  // namespace kestro
