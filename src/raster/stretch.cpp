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
//
// Copying: the column mapping is worked out once per copy and split into
// blocks (consecutive sources, one memory move), groups of up to five pixels
// whose sources lie within 16 bytes (one byte shuffle where the processor
// has them) and single pixels; each destination row then runs through it,
// and a row whose source row repeats the previous one is copied from it.
// Whole rows copied one to one are a single move. A copy within one bitmap
// runs its rows in an order that reads every source row before it is
// written, drawing a row that is its own source into a buffer first; only
// when no order works (mirrored rows) is the source set aside whole.

#include "raster/stretch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raster/draw.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#endif

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
// copied as one block; shorter runs cost less as groups (below).
constexpr std::int32_t kMinBlock = 64;
// Without byte shuffles, runs this long are blocks.
constexpr std::int32_t kMinBlockSingles = 16;

bool g_byteShuffleAllowed = true;

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define KESTRO_STRETCH_SHUFFLE 1
// Byte shuffles of 16 bytes need SSSE3, which is checked once at run time.
bool HasByteShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has && g_byteShuffleAllowed;
}
#else
bool HasByteShuffle() { return false; }
#endif

// How the columns of one stretch are copied from a source row: pieces in
// destination order, each a block (sources consecutive and ascending, one
// memory move), a run of groups (each group up to five pixels whose sources
// lie within 16 bytes, copied with one byte shuffle), or single pixels.
class ColumnMap {
 public:
  explicit ColumnMap(const std::vector<std::int32_t>& source) {
    const std::int32_t n = static_cast<std::int32_t>(source.size());
    offset_.resize(source.size());
    for (std::int32_t i = 0; i < n; ++i) offset_[static_cast<std::size_t>(i)] = source[static_cast<std::size_t>(i)] * 3;
    const bool shuffle = HasByteShuffle();
    auto extend = [&](Kind kind, std::int32_t from, std::int32_t to) {
      if (!pieces_.empty() && pieces_.back().kind == kind && kind != Kind::kBlock) {
        pieces_.back().to = to;
        if (kind == Kind::kGroups) pieces_.back().groupsTo = static_cast<std::int32_t>(groups_.size());
      } else {
        const std::int32_t g = static_cast<std::int32_t>(groups_.size());
        pieces_.push_back({from, to, kind, kind == Kind::kGroups ? g - 1 : g, g});
      }
    };
    std::int32_t i = 0;
    while (i < n) {
      std::int32_t j = i + 1;
      while (j < n && source[static_cast<std::size_t>(j)] == source[static_cast<std::size_t>(j - 1)] + 1) ++j;
      if (j - i >= (shuffle ? kMinBlock : kMinBlockSingles)) {
        extend(Kind::kBlock, i, j);
        i = j;
        continue;
      }
      if (!shuffle) {
        extend(Kind::kSingles, i, i + 1);
        ++i;
        continue;
      }
      // A group: as many pixels (at most five, 15 bytes) as have their
      // sources within five neighbouring pixels, 15 bytes of the source.
      std::int32_t lo = source[static_cast<std::size_t>(i)], hi = lo, c = 1;
      while (c < 5 && i + c < n) {
        const std::int32_t v = source[static_cast<std::size_t>(i + c)];
        if (std::max(hi, v) - std::min(lo, v) > 4) break;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        ++c;
      }
      Group g{};
      g.src = lo * 3;
      g.dst = i * 3;
      g.count = c;
      for (std::int32_t k = 0; k < 16; ++k) g.mask[k] = 0x80;  // zero
      for (std::int32_t k = 0; k < c; ++k) {
        const std::int32_t from = source[static_cast<std::size_t>(i + k)] * 3 - g.src;
        for (std::int32_t b = 0; b < 3; ++b) g.mask[3 * k + b] = static_cast<std::uint8_t>(from + b);
      }
      groups_.push_back(g);
      extend(Kind::kGroups, i, i + c);
      i += c;
    }
    // Groups whose 16-byte write stays inside the row's n pixels.
    while (safeGroups_ < static_cast<std::int32_t>(groups_.size()) &&
           groups_[static_cast<std::size_t>(safeGroups_)].dst + 16 <= 3 * n) {
      ++safeGroups_;
    }
    straight_ = pieces_.size() == 1 && pieces_[0].kind == Kind::kBlock;
    if (n > 0) firstSourceByte_ = *std::min_element(offset_.begin(), offset_.end());
  }

  std::int32_t Size() const { return static_cast<std::int32_t>(offset_.size()); }
  // Every column one to one, in order.
  bool Straight() const { return straight_; }
  // The smallest source byte offset.
  std::int32_t FirstSourceByte() const { return firstSourceByte_; }

  // Copies columns [a, b) of the map from srcRow to dstRow, whose first byte
  // is column 0 of the map. readAhead: how many bytes exist after the source
  // row's last pixel (13 or more lets every read take 16 bytes).
  void CopyRow(std::uint8_t* dstRow, const std::uint8_t* srcRow, std::int32_t a, std::int32_t b,
               std::size_t readAhead) const {
#ifdef KESTRO_STRETCH_SHUFFLE
    if (!groups_.empty() && readAhead >= 13) {
      if (a == 0 && b == Size()) {
        CopyWholeRowShuffled(dstRow, srcRow);
      } else {
        CopyRowShuffled(dstRow, srcRow, a, b);
      }
      return;
    }
#endif
    for (const Piece& p : pieces_) {
      const std::int32_t from = std::max(p.from, a), to = std::min(p.to, b);
      if (from < to) CopyPixels(p.kind == Kind::kBlock, dstRow, srcRow, from, to, readAhead >= 1);
    }
  }

 private:
  enum class Kind : std::uint8_t { kBlock, kGroups, kSingles };
  struct Piece {
    std::int32_t from, to;  // pixels
    Kind kind;
    std::int32_t groupsFrom, groupsTo;  // kGroups: its groups
  };
  struct alignas(16) Group {
    std::uint8_t mask[16];
    std::int32_t src, dst;  // bytes
    std::int32_t count;     // pixels
  };

  // Columns [from, to) without byte shuffles, from srcRow's byte 0. wide:
  // four bytes may be read at every source pixel.
  void CopyPixels(bool block, std::uint8_t* dstRow, const std::uint8_t* srcRow, std::int32_t from, std::int32_t to,
                  bool wide) const {
    std::uint8_t* d = dstRow + static_cast<std::size_t>(from) * 3;
    const std::int32_t* off = offset_.data();
    if (block) {
      std::memmove(d, srcRow + off[from], static_cast<std::size_t>(to - from) * 3);
      return;
    }
    // Four-byte moves: the extra byte lands on the next pixel, which is
    // written afterwards; the last pixel of the range gets three bytes.
    const std::int32_t wideTo = wide ? to - 1 : from;
    std::int32_t i = from;
    for (; i < wideTo; ++i, d += 3) {
      std::uint32_t v;
      std::memcpy(&v, srcRow + off[i], 4);
      std::memcpy(d, &v, 4);
    }
    for (; i < to; ++i, d += 3) {
      const std::uint8_t* s = srcRow + off[i];
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }

#ifdef KESTRO_STRETCH_SHUFFLE
  // A group writes 16 bytes; the bytes after its pixels belong to the
  // following pixels of the range, which are written afterwards. Groups too
  // close to the end of the range, or cut by it, go pixel by pixel.
  __attribute__((target("ssse3"))) static void Shuffle(std::uint8_t* dstRow, const std::uint8_t* srcRow,
                                                        const Group* g, const Group* end) {
    // Four groups at a time, all reads before the writes: a read from the
    // same place modulo 4096 bytes as a write just before it would wait for
    // that write (the source and destination rows of a copy often lie so).
    for (; end - g >= 4; g += 4) {
      __builtin_prefetch(srcRow + g[0].src + 384);  // a few lines ahead along the row
      const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srcRow + g[0].src));
      const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srcRow + g[1].src));
      const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srcRow + g[2].src));
      const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srcRow + g[3].src));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dstRow + g[0].dst),
                       _mm_shuffle_epi8(v0, _mm_load_si128(reinterpret_cast<const __m128i*>(g[0].mask))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dstRow + g[1].dst),
                       _mm_shuffle_epi8(v1, _mm_load_si128(reinterpret_cast<const __m128i*>(g[1].mask))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dstRow + g[2].dst),
                       _mm_shuffle_epi8(v2, _mm_load_si128(reinterpret_cast<const __m128i*>(g[2].mask))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dstRow + g[3].dst),
                       _mm_shuffle_epi8(v3, _mm_load_si128(reinterpret_cast<const __m128i*>(g[3].mask))));
    }
    for (; g != end; ++g) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srcRow + g->src));
      const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(g->mask));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dstRow + g->dst), _mm_shuffle_epi8(v, m));
    }
  }

  void CopyWholeRowShuffled(std::uint8_t* dstRow, const std::uint8_t* srcRow) const {
    for (const Piece& p : pieces_) {
      if (p.kind != Kind::kGroups) {
        CopyPixels(p.kind == Kind::kBlock, dstRow, srcRow, p.from, p.to, true);
        continue;
      }
      const std::int32_t safeTo = std::min(p.groupsTo, safeGroups_);
      if (p.groupsFrom < safeTo) Shuffle(dstRow, srcRow, groups_.data() + p.groupsFrom, groups_.data() + safeTo);
      for (std::int32_t k = std::max(p.groupsFrom, safeTo); k < p.groupsTo; ++k) {
        const Group& g = groups_[static_cast<std::size_t>(k)];
        CopyPixels(false, dstRow, srcRow, g.dst / 3, g.dst / 3 + g.count, true);
      }
    }
  }

  void CopyRowShuffled(std::uint8_t* dstRow, const std::uint8_t* srcRow, std::int32_t a, std::int32_t b) const {
    for (const Piece& p : pieces_) {
      const std::int32_t from = std::max(p.from, a), to = std::min(p.to, b);
      if (from >= to) continue;
      if (p.kind != Kind::kGroups) {
        CopyPixels(p.kind == Kind::kBlock, dstRow, srcRow, from, to, true);
        continue;
      }
      for (std::int32_t k = p.groupsFrom; k < p.groupsTo; ++k) {
        const Group& g = groups_[static_cast<std::size_t>(k)];
        const std::int32_t gFrom = g.dst / 3, gTo = gFrom + g.count;
        if (gFrom >= a && gTo <= b && g.dst + 16 <= 3 * b) {
          Shuffle(dstRow, srcRow, &g, &g + 1);
        } else if (std::max(gFrom, a) < std::min(gTo, b)) {
          CopyPixels(false, dstRow, srcRow, std::max(gFrom, a), std::min(gTo, b), true);
        }
      }
    }
  }
#endif

  std::vector<std::int32_t> offset_;
  std::vector<Piece> pieces_;
  std::vector<Group> groups_;
  std::int32_t safeGroups_ = 0;
  std::int32_t firstSourceByte_ = 0;
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

  // Whole rows copied one to one, in order, between bitmaps of one width:
  // they lie back to back in both, so one move does (padding bytes are zero
  // in both). A move reads its source as it was, also within one bitmap.
  if (clip == nullptr && columns.Straight() && xs.first == 0 && xs.source.front() == 0 && n == dst.Width() &&
      n == from->Width() &&
      std::adjacent_find(ys.source.begin(), ys.source.end(), [](std::int32_t a, std::int32_t b) {
        return b != a + 1;
      }) == ys.source.end()) {
    std::memmove(dst.ScanLine(ys.first), from->ScanLine(ys.source.front()), ys.source.size() * dst.Stride());
    return;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(n) * 3;
  const std::int32_t x0 = xs.first;
  // Reads may take a few bytes beyond the pixels they need: as many as
  // exist in the bitmap's memory after the source row's last pixel.
  auto readAhead = [from](std::int32_t sy) {
    return from->ByteSize() - (static_cast<std::size_t>(sy) * from->Stride() + static_cast<std::size_t>(from->Width()) * 3);
  };
  // A row that is its own source is drawn into a row of its own first, then
  // moved into place.
  std::vector<std::uint8_t> rowOut;

  const std::size_t rows = ys.source.size();
  std::size_t prev = rows;  // the row written last, when it was written without a clip
  for (std::size_t k = 0; k < rows; ++k) {
    const std::size_t j = order == RowOrder::kTopDown ? k : rows - 1 - k;
    const std::int32_t y = ys.first + static_cast<std::int32_t>(j);
    const std::int32_t sy = ys.source[j];
    std::uint8_t* dstRow = dst.ScanLine(y) + static_cast<std::size_t>(x0) * 3;
    const std::uint8_t* srcRow = from->ScanLine(sy);
    const std::size_t ahead = readAhead(sy);
    const bool ownRow = inPlace && sy == y;
#if defined(__GNUC__)
    // The start of the next row's source and destination, so that the
    // first reads and writes of a row do not wait for memory.
    if (k + 1 < rows) {
      const std::size_t jn = order == RowOrder::kTopDown ? k + 1 : rows - 2 - k;
      const std::uint8_t* nextSrc = from->ScanLine(ys.source[jn]) + columns.FirstSourceByte();
      const std::uint8_t* nextDst = dst.ScanLine(ys.first + static_cast<std::int32_t>(jn)) + static_cast<std::size_t>(x0) * 3;
      for (int line = 0; line < 4; ++line) {
        __builtin_prefetch(nextSrc + 64 * line);
        __builtin_prefetch(nextDst + 64 * line, 1);
      }
    }
#endif

    auto copySpan = [&](std::int32_t a, std::int32_t b) {
      if (!ownRow || columns.Straight()) {  // block moves handle the overlap of a straight row
        columns.CopyRow(dstRow, srcRow, a, b, ahead);
        return;
      }
      rowOut.resize(rowBytes + 16);
      columns.CopyRow(rowOut.data(), srcRow, a, b, ahead);
      std::memcpy(dstRow + static_cast<std::size_t>(a) * 3, rowOut.data() + static_cast<std::size_t>(a) * 3,
                  static_cast<std::size_t>(b - a) * 3);
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

bool raster_detail::UseByteShuffle(bool allowed) {
  g_byteShuffleAllowed = allowed;
  return HasByteShuffle();
}

void StretchCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect) {
  StretchImpl(dst, dstRect, src, srcRect, nullptr);
}

void StretchCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect,
                 const Region& clip) {
  if (clip.IsEmpty()) return;
  StretchImpl(dst, dstRect, src, srcRect, &clip);
}

}  // namespace kestro
