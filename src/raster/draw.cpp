#include "raster/draw.h"

#include <algorithm>
#include <cstring>

namespace kestro {

void CopyRect(Bitmap24& dst, std::int32_t dstX, std::int32_t dstY, std::int32_t width, std::int32_t height,
              const Bitmap24& src, std::int32_t srcX, std::int32_t srcY) {
  if (width <= 0 || height <= 0) return;
  // Offsets (ox, oy) inside the copy whose source and destination both exist.
  const std::int64_t ox0 = std::max<std::int64_t>({0, -static_cast<std::int64_t>(dstX), -static_cast<std::int64_t>(srcX)});
  const std::int64_t ox1 = std::min<std::int64_t>(
      {width, static_cast<std::int64_t>(dst.Width()) - dstX, static_cast<std::int64_t>(src.Width()) - srcX});
  const std::int64_t oy0 = std::max<std::int64_t>({0, -static_cast<std::int64_t>(dstY), -static_cast<std::int64_t>(srcY)});
  const std::int64_t oy1 = std::min<std::int64_t>(
      {height, static_cast<std::int64_t>(dst.Height()) - dstY, static_cast<std::int64_t>(src.Height()) - srcY});
  if (ox0 >= ox1 || oy0 >= oy1) return;
  const std::size_t bytes = static_cast<std::size_t>(ox1 - ox0) * 3;
  const std::size_t dOff = static_cast<std::size_t>(dstX + ox0) * 3;
  const std::size_t sOff = static_cast<std::size_t>(srcX + ox0) * 3;
  if (bytes == static_cast<std::size_t>(dst.Width()) * 3 && dst.Width() == src.Width()) {
    // Whole rows of equal layout lie back to back: one move (padding bytes
    // are zero in both).
    std::memmove(dst.ScanLine(static_cast<std::int32_t>(dstY + oy0)), src.ScanLine(static_cast<std::int32_t>(srcY + oy0)),
                 static_cast<std::size_t>(oy1 - oy0) * dst.Stride());
    return;
  }
  const bool upwards = &dst == &src && dstY > srcY;  // overlapping rows: copy bottom rows first
  for (std::int64_t k = 0; k < oy1 - oy0; ++k) {
    const std::int64_t oy = upwards ? oy1 - 1 - k : oy0 + k;
    std::memmove(dst.ScanLine(static_cast<std::int32_t>(dstY + oy)) + dOff,
                 src.ScanLine(static_cast<std::int32_t>(srcY + oy)) + sOff, bytes);
  }
}

void Draw(Bitmap24& dst, std::int32_t x, std::int32_t y, const Bitmap24& src) {
  CopyRect(dst, x, y, src.Width(), src.Height(), src, 0, 0);
}

void DrawTransparent(Bitmap24& dst, std::int32_t x, std::int32_t y, const Bitmap24& src, TColor transparent) {
  const TRect r = Intersect(dst.Bounds(), TRect{x, y, x + src.Width(), y + src.Height()});
  if (r.IsEmpty()) return;
  const Bgr key = ToBgr(transparent);
  for (std::int32_t row = r.Top; row < r.Bottom; ++row) {
    const std::uint8_t* s = src.ScanLine(row - y) + static_cast<std::size_t>(r.Left - x) * 3;
    std::uint8_t* d = dst.ScanLine(row) + static_cast<std::size_t>(r.Left) * 3;
    for (std::int32_t col = r.Left; col < r.Right; ++col, s += 3, d += 3) {
      if (s[0] == key.b && s[1] == key.g && s[2] == key.r) continue;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
}

void TiledFill(Bitmap24& dst, const TRect& rect, const Bitmap24& pattern) {
  if (pattern.IsEmpty()) return;
  const TRect r = Intersect(rect, dst.Bounds());
  if (r.IsEmpty()) return;
  const std::int32_t pw = pattern.Width(), ph = pattern.Height();
  for (std::int32_t y = r.Top; y < r.Bottom; ++y) {
    const std::uint8_t* p = pattern.ScanLine(y % ph);
    std::uint8_t* d = dst.ScanLine(y);
    std::int32_t x = r.Left;
    while (x < r.Right) {
      const std::int32_t px = x % pw;
      const std::int32_t run = std::min(pw - px, r.Right - x);
      std::memcpy(d + static_cast<std::size_t>(x) * 3, p + static_cast<std::size_t>(px) * 3,
                  static_cast<std::size_t>(run) * 3);
      x += run;
    }
  }
}

namespace {

// Copies n bytes; short runs (a few pixels, as the spans of bars and grids
// are) with two overlapping fixed-size moves instead of a library call.
inline void CopyRun(std::uint8_t* d, const std::uint8_t* s, std::size_t n) {
  if (n > 32) {
    std::memcpy(d, s, n);
  } else if (n >= 16) {
    std::uint8_t a[16], b[16];
    std::memcpy(a, s, 16);
    std::memcpy(b, s + n - 16, 16);
    std::memcpy(d, a, 16);
    std::memcpy(d + n - 16, b, 16);
  } else if (n >= 8) {
    std::uint64_t a, b;
    std::memcpy(&a, s, 8);
    std::memcpy(&b, s + n - 8, 8);
    std::memcpy(d, &a, 8);
    std::memcpy(d + n - 8, &b, 8);
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, s, 4);
    std::memcpy(&b, s + n - 4, 4);
    std::memcpy(d, &a, 4);
    std::memcpy(d + n - 4, &b, 4);
  } else {
    for (std::size_t i = 0; i < n; ++i) d[i] = s[i];
  }
}

}  // namespace

void DrawThroughRegion(Bitmap24& screen, const Bitmap24& newPicture, const Region& region) {
  const std::int32_t w = std::min(screen.Width(), newPicture.Width());
  const std::int32_t h = std::min(screen.Height(), newPicture.Height());
  if (w <= 0 || h <= 0 || region.IsEmpty()) return;
  for (const Region::Band& band : region.Bands()) {
    if (band.Bottom <= 0) continue;
    if (band.Top >= h) break;
    const Region::Span* spans = region.Spans(band);
    // The spans that reach into the bitmap, cut to it.
    std::uint32_t first = 0, last = band.Count;
    while (first < last && spans[first].Right <= 0) ++first;
    while (last > first && spans[last - 1].Left >= w) --last;
    if (first == last) continue;
    const std::int32_t top = std::max(band.Top, 0), bottom = std::min(band.Bottom, h);
    // The first and last spans cut to the bitmap; those between lie inside.
    const std::int32_t a0 = std::max(spans[first].Left, 0), b0 = std::min(spans[first].Right, w);
    const std::int32_t a1 = std::max(spans[last - 1].Left, 0), b1 = std::min(spans[last - 1].Right, w);
    // Row by row, so that the spans read and write memory in order.
    for (std::int32_t y = top; y < bottom; ++y) {
      std::uint8_t* d = screen.ScanLine(y);
      const std::uint8_t* s = newPicture.ScanLine(y);
      if (first + 1 == last) {
        CopyRun(d + static_cast<std::size_t>(a0) * 3, s + static_cast<std::size_t>(a0) * 3,
                static_cast<std::size_t>(b0 - a0) * 3);
        continue;
      }
      CopyRun(d + static_cast<std::size_t>(a0) * 3, s + static_cast<std::size_t>(a0) * 3,
              static_cast<std::size_t>(b0 - a0) * 3);
      for (std::uint32_t i = first + 1; i + 1 < last; ++i) {
        const std::size_t off = static_cast<std::size_t>(spans[i].Left) * 3;
        CopyRun(d + off, s + off, static_cast<std::size_t>(spans[i].Right - spans[i].Left) * 3);
      }
      CopyRun(d + static_cast<std::size_t>(a1) * 3, s + static_cast<std::size_t>(a1) * 3,
              static_cast<std::size_t>(b1 - a1) * 3);
    }
  }
}

}  // namespace kestro
