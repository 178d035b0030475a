// The plain pixel stretch, with the platform's exact rounding.
//
// Per axis, with ns = |source length|, nd = |destination length|, the
// destination position dstPos + sd * t (t = 0 .. nd - 1, sd the sign of the
// destination length) takes source position srcPos + ss * f(t), where
//   enlarging (nd > ns):         f(t) = ((2t + 1) ns - 1) div 2nd
//   same size:                   f(t) = t
//   shrinking rows:              f(t) = (2t ns + nd) div 2nd
//   shrinking columns:           f(t) = ((2t + 2) ns - nd) div 2nd,
//                                except a single unmirrored column, which
//                                takes source ns - 2.
// So the destination anchors at its own x (or y), stepping left (up) when
// its length is negative, and the source likewise.
//
// A source reaching outside its bitmap is cut: with [kA, kB) the source
// offsets that exist, only t in [lo(kA), hi(kB)) is drawn, where
//   enlarging:  lo(k) = hi(k) = (2k nd + ns) div 2ns
//   same size:  lo(k) = hi(k) = k
//   shrinking:  lo(k) = (2k nd + nd - 1) div 2ns,
//               hi(k) = (2k nd + 2ns - nd - 1) div 2ns,
// and f(t) is held inside [kA, kB - 1]; an unmirrored one-pixel
// destination whose source (of three pixels or more) is cut down to its last
// pixel draws nothing. The destination is then clipped to
// its bitmap position by position, which keeps the scale of the whole copy.
//
// Two cases follow these same rules although Wine's GDI draws them its own
// way: a mirrored copy whose source reaches outside the source bitmap (Wine
// moves the cut part to the other side of the destination) and an in-place
// copy whose source reaches outside the bitmap; Wine also varies on whether
// a one-pixel destination whose source is cut to its last pixel or two is
// drawn. The effects make none of these (their sources lie inside the
// picture; mirrored copies cut their source to the picture first).

#include "raster/stretch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raster/draw.h"

namespace kestro {

namespace {

// Lengths beyond the platform's 27-bit coordinate space are not drawn; this
// keeps every product below 2^56.
constexpr std::int64_t kMaxLength = (1 << 27) - 1;

std::int64_t MapOffset(std::int64_t t, std::int64_t ns, std::int64_t nd, bool vertical) {
  if (nd > ns) return ((2 * t + 1) * ns - 1) / (2 * nd);
  if (nd == ns) return t;
  if (vertical) return (2 * t * ns + nd) / (2 * nd);
  return ((2 * t + 2) * ns - nd) / (2 * nd);
}

std::int64_t ClipLow(std::int64_t k, std::int64_t ns, std::int64_t nd) {
  if (nd > ns) return (2 * k * nd + ns) / (2 * ns);
  if (nd == ns) return k;
  return (2 * k * nd + nd - 1) / (2 * ns);
}

std::int64_t ClipHigh(std::int64_t k, std::int64_t ns, std::int64_t nd) {
  if (nd > ns) return (2 * k * nd + ns) / (2 * ns);
  if (nd == ns) return k;
  return (2 * k * nd + 2 * ns - nd - 1) / (2 * ns);
}

}  // namespace

StretchAxis BuildStretchAxis(std::int32_t srcSize, std::int32_t dstSize, std::int32_t srcPos,
                             std::int32_t srcLen, std::int32_t dstPos, std::int32_t dstLen, bool vertical) {
  StretchAxis axis;
  if (srcLen == 0 || dstLen == 0 || srcSize <= 0 || dstSize <= 0) return axis;
  const std::int64_t ns = std::llabs(static_cast<std::int64_t>(srcLen));
  const std::int64_t nd = std::llabs(static_cast<std::int64_t>(dstLen));
  if (ns > kMaxLength || nd > kMaxLength) return axis;
  const std::int64_t ss = srcLen > 0 ? 1 : -1;
  const std::int64_t sd = dstLen > 0 ? 1 : -1;
  const std::int64_t sx = srcPos, dx = dstPos;

  // Source offsets k (position sx + ss k) that lie inside the source bitmap.
  std::int64_t kA, kB;
  if (ss > 0) {
    kA = std::max<std::int64_t>(0, -sx);
    kB = std::min<std::int64_t>(ns, srcSize - sx);
  } else {
    kA = std::max<std::int64_t>(0, sx - srcSize + 1);
    kB = std::min<std::int64_t>(ns, sx + 1);
  }
  if (kA >= kB) return axis;
  // A single unmirrored destination pixel is not drawn from the last source
  // pixel alone.
  if (nd == 1 && ns >= 3 && kA == ns - 1 && ss > 0 && sd > 0) return axis;

  // Destination steps t that are drawn: those the source cut leaves, whose
  // position dx + sd t lies inside the destination bitmap.
  std::int64_t tLo = std::max<std::int64_t>(0, ClipLow(kA, ns, nd));
  std::int64_t tHi = std::min<std::int64_t>(nd, ClipHigh(kB, ns, nd));
  if (sd > 0) {
    tLo = std::max<std::int64_t>(tLo, -dx);
    tHi = std::min<std::int64_t>(tHi, dstSize - dx);
  } else {
    tLo = std::max<std::int64_t>(tLo, dx - dstSize + 1);
    tHi = std::min<std::int64_t>(tHi, dx + 1);
  }
  if (tLo >= tHi) return axis;

  const bool singleColumn = !vertical && nd == 1 && ns > 1 && ss > 0 && sd > 0;
  const std::size_t n = static_cast<std::size_t>(tHi - tLo);
  axis.source.resize(n);
  for (std::int64_t t = tLo; t < tHi; ++t) {
    std::int64_t k = singleColumn ? ns - 2 : MapOffset(t, ns, nd, vertical);
    k = std::clamp(k, kA, kB - 1);
    const std::int64_t pos = dx + sd * t;
    const std::size_t slot = sd > 0 ? static_cast<std::size_t>(t - tLo) : static_cast<std::size_t>(tHi - 1 - t);
    axis.source[slot] = static_cast<std::int32_t>(sx + ss * k);
    if (slot == 0) axis.first = static_cast<std::int32_t>(pos);
  }
  return axis;
}

namespace {

void CopyMappedRow(std::uint8_t* dstRow, const std::uint8_t* srcRow, const std::int32_t* colOffset,
                   std::int32_t from, std::int32_t to) {
  std::uint8_t* d = dstRow + static_cast<std::size_t>(from) * 3;
  for (std::int32_t i = from; i < to; ++i) {
    const std::uint8_t* s = srcRow + colOffset[i];
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d += 3;
  }
}

void StretchImpl(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect,
                 const Region* clip) {
  if (dst.IsEmpty() || src.IsEmpty()) return;
  StretchAxis xs = BuildStretchAxis(src.Width(), dst.Width(), srcRect.Left, srcRect.Right - srcRect.Left,
                                    dstRect.Left, dstRect.Right - dstRect.Left, false);
  if (xs.Empty()) return;
  StretchAxis ys = BuildStretchAxis(src.Height(), dst.Height(), srcRect.Top, srcRect.Bottom - srcRect.Top,
                                    dstRect.Top, dstRect.Bottom - dstRect.Top, true);
  if (ys.Empty()) return;

  // Copying within one bitmap: take the source part aside first.
  const Bitmap24* from = &src;
  Bitmap24 aside;
  if (&dst == &src) {
    const auto [minX, maxX] = std::minmax_element(xs.source.begin(), xs.source.end());
    const auto [minY, maxY] = std::minmax_element(ys.source.begin(), ys.source.end());
    const std::int32_t ox = *minX, oy = *minY;
    aside = Bitmap24(*maxX - ox + 1, *maxY - oy + 1);
    CopyRect(aside, 0, 0, aside.Width(), aside.Height(), src, ox, oy);
    for (std::int32_t& v : xs.source) v -= ox;
    for (std::int32_t& v : ys.source) v -= oy;
    from = &aside;
  }

  const std::int32_t n = static_cast<std::int32_t>(xs.source.size());
  std::vector<std::int32_t> colOffset(xs.source.size());
  bool straight = true;  // columns copied one to one, in order
  for (std::int32_t i = 0; i < n; ++i) {
    colOffset[static_cast<std::size_t>(i)] = xs.source[static_cast<std::size_t>(i)] * 3;
    if (xs.source[static_cast<std::size_t>(i)] != xs.source[0] + i) straight = false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(n) * 3;
  const std::int32_t x0 = xs.first;

  for (std::size_t j = 0; j < ys.source.size(); ++j) {
    const std::int32_t y = ys.first + static_cast<std::int32_t>(j);
    const std::uint8_t* srcRow = from->ScanLine(ys.source[j]);
    std::uint8_t* dstRow = dst.ScanLine(y) + static_cast<std::size_t>(x0) * 3;
    if (clip == nullptr) {
      if (j > 0 && ys.source[j] == ys.source[j - 1]) {
        std::memcpy(dstRow, dst.ScanLine(y - 1) + static_cast<std::size_t>(x0) * 3, rowBytes);
      } else if (straight) {
        std::memcpy(dstRow, srcRow + colOffset[0], rowBytes);
      } else {
        CopyMappedRow(dstRow, srcRow, colOffset.data(), 0, n);
      }
      continue;
    }
    const Region::Band* band = clip->BandAt(y);
    if (band == nullptr) continue;
    const Region::Span* spans = clip->Spans(*band);
    for (std::uint32_t s = 0; s < band->Count; ++s) {
      const std::int32_t a = std::max(spans[s].Left, x0) - x0;
      const std::int32_t b = std::min(spans[s].Right, x0 + n) - x0;
      if (a >= b) continue;
      if (straight) {
        std::memcpy(dstRow + static_cast<std::size_t>(a) * 3, srcRow + colOffset[static_cast<std::size_t>(a)],
                    static_cast<std::size_t>(b - a) * 3);
      } else {
        CopyMappedRow(dstRow, srcRow, colOffset.data(), a, b);
      }
    }
  }
}

}  // namespace

void StretchCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect) {
  StretchImpl(dst, dstRect, src, srcRect, nullptr);
}

void StretchCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect,
                 const Region& clip) {
  if (clip.IsEmpty()) return;
  StretchImpl(dst, dstRect, src, srcRect, &clip);
}

}  // namespace kestro
