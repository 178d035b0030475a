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

// Columns whose sources run on one by one for at least this many pixels are
// copied as one block.
constexpr std::int32_t kMinBlock = 8;

// How the columns of one stretch are copied from a source row: a list of
// pieces in destination order, each either a block (sources consecutive and
// ascending) or single pixels taken through per-column byte offsets.
class ColumnMap {
 public:
  explicit ColumnMap(const std::vector<std::int32_t>& source) {
    const std::int32_t n = static_cast<std::int32_t>(source.size());
    offset_.resize(source.size());
    for (std::int32_t i = 0; i < n; ++i) offset_[static_cast<std::size_t>(i)] = source[static_cast<std::size_t>(i)] * 3;
    std::int32_t i = 0;
    std::int32_t singlesFrom = 0;
    while (i < n) {
      std::int32_t j = i + 1;
      while (j < n && source[static_cast<std::size_t>(j)] == source[static_cast<std::size_t>(j - 1)] + 1) ++j;
      if (j - i >= kMinBlock) {
        if (singlesFrom < i) pieces_.push_back({singlesFrom, i, false});
        pieces_.push_back({i, j, true});
        singlesFrom = j;
      }
      i = j;
    }
    if (singlesFrom < n) pieces_.push_back({singlesFrom, n, false});
    straight_ = pieces_.size() == 1 && pieces_[0].block;
  }

  std::int32_t Size() const { return static_cast<std::int32_t>(offset_.size()); }
  // Every column one to one, in order.
  bool Straight() const { return straight_; }
  // The smallest and largest source byte offset of columns [a, b).
  std::pair<std::int32_t, std::int32_t> OffsetRange(std::int32_t a, std::int32_t b) const {
    const auto [lo, hi] = std::minmax_element(offset_.begin() + a, offset_.begin() + b);
    return {*lo, *hi};
  }

  // Copies columns [a, b) of the map from srcRow (minus base bytes) to
  // dstRow, whose first byte is column 0 of the map. wide: four bytes may be
  // read at every source pixel (the byte after the row's last pixel exists).
  void CopyRow(std::uint8_t* dstRow, const std::uint8_t* srcRow, std::int32_t a, std::int32_t b, bool wide,
               std::int32_t base = 0) const {
    for (const Piece& p : pieces_) {
      const std::int32_t from = std::max(p.from, a), to = std::min(p.to, b);
      if (from >= to) continue;
      std::uint8_t* d = dstRow + static_cast<std::size_t>(from) * 3;
      if (p.block) {
        std::memmove(d, srcRow + (offset_[static_cast<std::size_t>(from)] - base), static_cast<std::size_t>(to - from) * 3);
        continue;
      }
      // Four-byte moves: the extra byte lands on the next pixel, which is
      // written afterwards; the last pixel of the range gets three bytes.
      const std::int32_t wideTo = wide ? to - 1 : from;
      std::int32_t i = from;
      for (; i < wideTo; ++i, d += 3) {
        std::uint32_t v;
        std::memcpy(&v, srcRow + (offset_[static_cast<std::size_t>(i)] - base), 4);
        std::memcpy(d, &v, 4);
      }
      for (; i < to; ++i, d += 3) {
        const std::uint8_t* s = srcRow + (offset_[static_cast<std::size_t>(i)] - base);
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
  }

 private:
  struct Piece {
    std::int32_t from, to;
    bool block;
  };
  std::vector<std::int32_t> offset_;
  std::vector<Piece> pieces_;
  bool straight_ = false;
};

// Copies within one bitmap go row by row in an order that never reads a row
// already written: bottom-up when every row takes a source row at or above
// itself, top-down when at or below. Otherwise the source is set aside first.
enum class RowOrder { kTopDown, kBottomUp, kAside };

RowOrder SelfCopyOrder(const StretchAxis& ys) {
  bool down = true, up = true;
  for (std::size_t j = 0; j < ys.source.size(); ++j) {
    const std::int32_t y = ys.first + static_cast<std::int32_t>(j);
    if (ys.source[j] < y) down = false;
    if (ys.source[j] > y) up = false;
  }
  if (down) return RowOrder::kTopDown;
  if (up) return RowOrder::kBottomUp;
  return RowOrder::kAside;
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

  const bool self = &dst == &src;
  RowOrder order = self ? SelfCopyOrder(ys) : RowOrder::kTopDown;
  // Copying within one bitmap in an order that cannot avoid reading written
  // rows: take the source part aside first.
  const Bitmap24* from = &src;
  Bitmap24 aside;
  if (order == RowOrder::kAside) {
    const auto [minX, maxX] = std::minmax_element(xs.source.begin(), xs.source.end());
    const auto [minY, maxY] = std::minmax_element(ys.source.begin(), ys.source.end());
    const std::int32_t ox = *minX, oy = *minY;
    aside = Bitmap24(*maxX - ox + 1, *maxY - oy + 1);
    CopyRect(aside, 0, 0, aside.Width(), aside.Height(), src, ox, oy);
    for (std::int32_t& v : xs.source) v -= ox;
    for (std::int32_t& v : ys.source) v -= oy;
    from = &aside;
    order = RowOrder::kTopDown;
  }
  const bool inPlace = from == &dst;

  const ColumnMap columns(xs.source);
  const std::int32_t n = columns.Size();
  const std::size_t rowBytes = static_cast<std::size_t>(n) * 3;
  const std::int32_t x0 = xs.first;
  // Four-byte reads are safe on every source row but the last when the rows
  // have no padding after their last pixel.
  const std::int32_t lastWideRow =
      from->Stride() > static_cast<std::size_t>(from->Width()) * 3 ? from->Height() - 1 : from->Height() - 2;
  // A row that is its own source is read from a copy of the part it needs.
  std::vector<std::uint8_t> rowCopy;

  const std::size_t rows = ys.source.size();
  std::size_t prev = rows;  // the row written last, when it was written without a clip
  for (std::size_t k = 0; k < rows; ++k) {
    const std::size_t j = order == RowOrder::kTopDown ? k : rows - 1 - k;
    const std::int32_t y = ys.first + static_cast<std::int32_t>(j);
    const std::int32_t sy = ys.source[j];
    std::uint8_t* dstRow = dst.ScanLine(y) + static_cast<std::size_t>(x0) * 3;
    const std::uint8_t* srcRow = from->ScanLine(sy);
    const bool wide = sy <= lastWideRow;
    const bool ownRow = inPlace && sy == y;

    auto copySpan = [&](std::int32_t a, std::int32_t b) {
      if (!ownRow || columns.Straight()) {  // block moves handle the overlap of a straight row
        columns.CopyRow(dstRow, srcRow, a, b, wide);
        return;
      }
      const auto [lo, hi] = columns.OffsetRange(a, b);
      rowCopy.resize(static_cast<std::size_t>(hi - lo) + 4);
      std::memcpy(rowCopy.data(), srcRow + lo, static_cast<std::size_t>(hi - lo) + 3);
      columns.CopyRow(dstRow, rowCopy.data(), a, b, true, lo);
    };

    if (clip == nullptr) {
      if (prev != rows && ys.source[prev] == sy) {
        std::memcpy(dstRow, dst.ScanLine(ys.first + static_cast<std::int32_t>(prev)) + static_cast<std::size_t>(x0) * 3,
                    rowBytes);
      } else {
        copySpan(0, n);
      }
      prev = j;
      continue;
    }
    const Region::Band* band = clip->BandAt(y);
    if (band == nullptr) continue;
    const Region::Span* spans = clip->Spans(*band);
    for (std::uint32_t s = 0; s < band->Count; ++s) {
      const std::int32_t a = std::max(spans[s].Left, x0) - x0;
      const std::int32_t b = std::min(spans[s].Right, x0 + n) - x0;
      if (a < b) copySpan(a, b);
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
