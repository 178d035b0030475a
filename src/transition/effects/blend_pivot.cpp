// The blend and pivot effects: pixel operations over the 24-bit rows of the
// screen and the new picture. The blend mixes old and new with weight p
// percent, with two truncating divisions per byte and nothing carried over
// from the frame before; the pivots swing the new picture in about a point
// one pixel outside a corner, each screen pixel looking up where it comes
// from (an inverse mapping, so the turned picture has no holes).
//
// Both run over the part that lies in the screen and in the new picture
// alike: a new picture smaller than the screen is processed over its own
// size, and a source is taken only where it lies in both bitmaps, so no
// size ever reads or writes outside either.
//
// At progress 0 neither changes a pixel (the blend keeps the old picture,
// and a quarter turn about a point outside a corner takes every source out
// of the picture), and at 100 the whole new picture is drawn over the frame
// anyway, so both leave those frames alone.

#include "transition/effects/blend_pivot.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define KESTRO_BLEND_AVX2 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "transition/effects/families.h"

namespace kestro {

namespace {

constexpr int kFixedBits = 40;
// The pivots draw in tiles of this many rows and columns.
constexpr std::int32_t kTileRows = 16, kTileColumns = 128;
static_assert(kTileColumns / 4 <= 32, "a bit per block of four pixels of a tile's row");
constexpr std::int64_t kHalf = std::int64_t{1} << (kFixedBits - 1);
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFixedBits) - 1;

// x div 100 for 0 <= x <= 25500 (and beyond, up to 69999) as a multiply
// and a shift: (x * 41944) >> 22.
constexpr std::uint32_t kHundredth = 41944;
constexpr int kHundredthShift = 22;

std::int32_t Area(std::int32_t a, std::int32_t b) { return std::max(0, std::min(a, b)); }

void BlendPixels(int /*number*/, const TEffectExtents& /*extents*/, std::int32_t progress, Bitmap24& screen,
                 const Bitmap24& newPicture) {
  if (progress <= 0 || progress >= 100) return;
  const std::int32_t w = Area(newPicture.Width(), screen.Width()), h = Area(newPicture.Height(), screen.Height());
  for (std::int32_t y = 0; y < h; ++y) {
    BlendBytes(screen.ScanLine(y), newPicture.ScanLine(y), static_cast<std::size_t>(w) * 3, progress);
  }
}

void PivotPixels(int number, const TEffectExtents& /*extents*/, std::int32_t progress, Bitmap24& screen,
                 const Bitmap24& newPicture) {
  if (progress <= 0 || progress >= 100 || newPicture.IsEmpty()) return;
  PivotMapping(number, newPicture.Width(), newPicture.Height(), progress).Draw(screen, newPicture);
}

constexpr int kBlend = 118;
constexpr int kFirstPivot = 119, kLastPivot = 122;

bool PlanBlendPivot(int number, const TEffectExtents& /*extents*/, std::int32_t /*progress*/, EffectPlan& plan) {
  if (number == kBlend) {
    plan.pixels = BlendPixels;
    return true;
  }
  if (number >= kFirstPivot && number <= kLastPivot) {
    plan.pixels = PivotPixels;
    return true;
  }
  return false;
}

// The first x in [lo, hi] where `holds` (false, then true along x) is
// true, hi when there is none, searched from the guess outwards.
template <typename Pred>
std::int32_t FirstWhere(std::int32_t lo, std::int32_t hi, std::int64_t guess, Pred holds) {
  auto x = static_cast<std::int32_t>(std::clamp<std::int64_t>(guess, lo, hi));
  while (x > lo && holds(x - 1)) --x;
  while (x < hi && !holds(x)) ++x;
  return x;
}

// The least x with value0 + x * slope >= target (slope > 0).
std::int64_t Reaches(std::int64_t value0, std::int64_t slope, std::int64_t target) {
  const std::int64_t gap = target - value0;
  if (gap <= 0) return -((-gap) / slope);
  return (gap + slope - 1) / slope;
}

}  // namespace

const EffectFamily kBlendPivotEffects{"blend and pivot", PlanBlendPivot};

namespace blend_detail {

void BlendBytesPortable(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress) {
  const auto keep = static_cast<std::uint32_t>(100 - progress), take = static_cast<std::uint32_t>(progress);
  for (std::size_t i = 0; i < count; ++i) {
    screen[i] = static_cast<std::uint8_t>((screen[i] * keep * kHundredth >> kHundredthShift) +
                                          (fresh[i] * take * kHundredth >> kHundredthShift));
  }
}

#if defined(__SSE2__)
// 16 bytes at a time in 16-bit lanes: x * weight is at most 25500, and the
// unsigned high half of x * 41944, shifted by 6, is x div 100.
std::size_t BlendBytesSse2(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count,
                           std::int32_t progress) {
  const __m128i keep = _mm_set1_epi16(static_cast<short>(100 - progress));
  const __m128i take = _mm_set1_epi16(static_cast<short>(progress));
  const __m128i hundredth = _mm_set1_epi16(static_cast<short>(kHundredth));
  const __m128i zero = _mm_setzero_si128();
  auto part = [&](__m128i bytes, __m128i weight) {
    return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(bytes, weight), hundredth), kHundredthShift - 16);
  };
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(screen + i));
    const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fresh + i));
    const __m128i lo = _mm_add_epi16(part(_mm_unpacklo_epi8(s, zero), keep), part(_mm_unpacklo_epi8(n, zero), take));
    const __m128i hi = _mm_add_epi16(part(_mm_unpackhi_epi8(s, zero), keep), part(_mm_unpackhi_epi8(n, zero), take));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(screen + i), _mm_packus_epi16(lo, hi));
  }
  return i;
}
#endif

#if defined(KESTRO_BLEND_AVX2)
// The same 32 bytes at a time, where the processor has AVX2 (unpacking and
// packing both work within 128-bit halves, so the bytes keep their order).
__attribute__((target("avx2"))) std::size_t BlendBytesAvx2(std::uint8_t* screen, const std::uint8_t* fresh,
                                                           std::size_t count, std::int32_t progress) {
  const __m256i keep = _mm256_set1_epi16(static_cast<short>(100 - progress));
  const __m256i take = _mm256_set1_epi16(static_cast<short>(progress));
  const __m256i hundredth = _mm256_set1_epi16(static_cast<short>(kHundredth));
  const __m256i zero = _mm256_setzero_si256();
  auto part = [&](__m256i bytes, __m256i weight) __attribute__((target("avx2"))) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_mullo_epi16(bytes, weight), hundredth), kHundredthShift - 16);
  };
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(screen + i));
    const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(fresh + i));
    const __m256i lo =
        _mm256_add_epi16(part(_mm256_unpacklo_epi8(s, zero), keep), part(_mm256_unpacklo_epi8(n, zero), take));
    const __m256i hi =
        _mm256_add_epi16(part(_mm256_unpackhi_epi8(s, zero), keep), part(_mm256_unpackhi_epi8(n, zero), take));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(screen + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace blend_detail

void BlendBytes(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress) {
  progress = std::clamp(progress, 0, 100);
  std::size_t done = 0;
#if defined(KESTRO_BLEND_AVX2)
  if (blend_detail::HasAvx2()) done = blend_detail::BlendBytesAvx2(screen, fresh, count, progress);
#endif
#if defined(__SSE2__)
  done += blend_detail::BlendBytesSse2(screen + done, fresh + done, count - done, progress);
#endif
  blend_detail::BlendBytesPortable(screen + done, fresh + done, count - done, progress);
}

TPoint PivotOf(int number, std::int32_t Wn, std::int32_t Hn) {
  switch (number) {
    case 120: return TPoint{-1, Hn};
    case 121: return TPoint{Wn, -1};
    case 122: return TPoint{Wn, Hn};
    default: return TPoint{-1, -1};
  }
}

PivotMapping::PivotMapping(int number, std::int32_t Wn, std::int32_t Hn, std::int32_t progress)
    : pivot_(PivotOf(number, Wn, Hn)), Wn_(Wn), Hn_(Hn) {
  // (100 - p) pi / 200: a quarter turn at the start, none at the end.
  angle_ = CosSinOfSteps(kHalfTurnSteps / 2 - std::clamp(progress, 0, 100));
  cos_ = FixedPoint(angle_.cos, kFixedBits);
  sin_ = FixedPoint(angle_.sin, kFixedBits);
  // Each fixed-point constant is within half a unit of the exact value, so
  // dx cos - dy sin is within (|dx| + |dy|) / 2 units, and |dx| <= Wn,
  // |dy| <= Hn for the pixels of the picture.
  margin_ = (static_cast<std::uint64_t>(std::max(Wn, 0)) + static_cast<std::uint64_t>(std::max(Hn, 0))) / 2 + 2;
}

bool PivotMapping::Near(std::int64_t value) const {
  // value holds the half added already: a half lies where its fraction is 0.
  return ((static_cast<std::uint64_t>(value) + margin_) & kFractionMask) < 2 * margin_;
}

TPoint PivotMapping::ExactSource(std::int32_t x, std::int32_t y) const {
  const std::int32_t dx = x - pivot_.X, dy = y - pivot_.Y;
  return TPoint{pivot_.X + static_cast<std::int32_t>(NearestOfSum(dx, angle_.cos, dy, -angle_.sin)),
                pivot_.Y + static_cast<std::int32_t>(NearestOfSum(dx, angle_.sin, dy, angle_.cos))};
}

TPoint PivotMapping::Source(std::int32_t x, std::int32_t y) const {
  const std::int64_t dx = x - pivot_.X, dy = y - pivot_.Y;
  const std::int64_t u = dx * cos_ - dy * sin_ + kHalf, v = dx * sin_ + dy * cos_ + kHalf;
  if (Near(u) || Near(v)) return ExactSource(x, y);
  return TPoint{pivot_.X + static_cast<std::int32_t>(u >> kFixedBits),
                pivot_.Y + static_cast<std::int32_t>(v >> kFixedBits)};
}

void PivotMapping::Draw(Bitmap24& screen, const Bitmap24& newPicture, PivotPath path) {
  const std::int32_t w = Area(Area(Wn_, newPicture.Width()), screen.Width());
  const std::int32_t h = Area(Area(Hn_, newPicture.Height()), screen.Height());
  // With the cosine and sine 0 or more, both source coordinates grow (never
  // fall) along a row, so the pixels whose source lies in the picture form
  // one run [first, end) in each row.
  // Each run's ends are guessed from the fixed-point values and then
  // checked with the exact sources, a pixel or two at most.
  std::vector<std::int32_t> first(static_cast<std::size_t>(h)), end(static_cast<std::size_t>(h));
  const std::int64_t one = std::int64_t{1} << kFixedBits;
  for (std::int32_t y = 0; y < h; ++y) {
    const std::int64_t dy = y - pivot_.Y;
    // u and v at x = 0; each grows by cos_ (sin_) a pixel. A source column
    // (row) n or more needs u (v) at least (n - pivot) whole units.
    const std::int64_t u0 = -std::int64_t{pivot_.X} * cos_ - dy * sin_ + kHalf;
    const std::int64_t v0 = -std::int64_t{pivot_.X} * sin_ + dy * cos_ + kHalf;
    auto guess = [&](std::int32_t column, std::int32_t row, bool both) {
      const std::int64_t gu = cos_ > 0 ? Reaches(u0, cos_, (column - std::int64_t{pivot_.X}) * one) : 0;
      const std::int64_t gv = sin_ > 0 ? Reaches(v0, sin_, (row - std::int64_t{pivot_.Y}) * one) : 0;
      return both ? std::max(gu, gv) : std::min(gu, gv);
    };
    const std::int32_t a = FirstWhere(0, w, guess(0, 0, true), [&](std::int32_t x) {
      const TPoint s = Source(x, y);
      return s.X >= 0 && s.Y >= 0;
    });
    first[static_cast<std::size_t>(y)] = a;
    end[static_cast<std::size_t>(y)] = FirstWhere(a, w, guess(w, h, false), [&](std::int32_t x) {
      const TPoint s = Source(x, y);
      return s.X >= w || s.Y >= h;
    });
  }
  // Tile by tile: the pixels one tile reads lie together in the new picture
  // (a turned tile), whatever the angle, where a whole row would read
  // across many rows of it.
  const std::uint8_t* source = newPicture.Bits();
  const auto stride = static_cast<std::ptrdiff_t>(newPicture.Stride());
  // A source pixel can be read as four bytes unless it is the last pixel of
  // the last row of a picture whose rows have no padding.
  const bool padded = stride > static_cast<std::ptrdiff_t>(newPicture.Width()) * 3;
  // The vector path holds byte offsets in 32 bits.
  [[maybe_unused]] const bool vectors = path == PivotPath::kBest && newPicture.ByteSize() < (std::size_t{1} << 31);
  std::int64_t exact = 0;
  for (std::int32_t ty = 0; ty < h; ty += kTileRows) {
    for (std::int32_t tx = 0; tx < w; tx += kTileColumns) {
      for (std::int32_t y = ty; y < std::min(ty + kTileRows, h); ++y) {
        const std::int32_t a = std::max(first[static_cast<std::size_t>(y)], tx);
        const std::int32_t b = std::min(end[static_cast<std::size_t>(y)], tx + kTileColumns);
        if (a >= b) continue;
        std::uint8_t* row = screen.ScanLine(y);
        std::int32_t x = a;
#if defined(__SSE2__)
        if (vectors && WideReads(y, a, b, padded)) exact += DrawRunVector(y, a, b - 1, row, source, stride, x);
#endif
        exact += DrawRun(y, x, b, row, source, stride, padded);
      }
    }
  }
  exact_ = exact;
}

bool PivotMapping::WideReads(std::int32_t y, std::int32_t a, std::int32_t b, bool padded) const {
  // Four-byte reads are safe unless the run may read the picture's last
  // pixel with no padding after it: the run's last source row, a row more
  // for a pixel decided exactly.
  if (padded) return true;
  const std::int64_t dy = y - pivot_.Y, dx = b - 1 - pivot_.X;
  const std::int64_t lastRow = pivot_.Y + ((dx * sin_ + dy * cos_ + kHalf) >> kFixedBits) + 1;
  return lastRow < Hn_ - 1;
}

#if defined(__SSE2__)
std::int64_t PivotMapping::DrawRunVector(std::int32_t y, std::int32_t a, std::int32_t b, std::uint8_t* row,
                                         const std::uint8_t* source, std::ptrdiff_t stride,
                                         std::int32_t& reached) const {
  // At most kTileColumns pixels: one bit per block below.
  const std::int32_t blocks = std::min(b - a, kTileColumns) / 4;
  reached = a + 4 * blocks;
  if (blocks == 0) return 0;
  // Four pixels at a time in 32-bit lanes: each lane holds the fraction of
  // u (and v), with the half and a margin added, in units of 2^-32, and the
  // source offset of the integer parts. The fractions come from the 40-bit
  // values cut to 32 bits and grow by the cosine (sine) cut likewise, so
  // along a run of at most kTileColumns pixels they stay within
  // 2 + (Wn + Hn) / 512 + 1.002 per pixel of the exact values: a fraction
  // of at least twice the margin gives the integer part as nearest().
  const std::int64_t margin = kTileColumns + 8 + (std::int64_t{Wn_} + Hn_) / 512;
  const std::int64_t dy = y - pivot_.Y, dx = a - pivot_.X;
  const std::int64_t hu = dx * cos_ - dy * sin_ + kHalf + margin * 256;
  const std::int64_t hv = dx * sin_ + dy * cos_ + kHalf + margin * 256;
  const auto cu = static_cast<std::uint32_t>(cos_ >> 8), cv = static_cast<std::uint32_t>(sin_ >> 8);
  alignas(16) std::uint32_t fu[4], fv[4];
  alignas(16) std::int32_t off[4];
  for (int j = 0; j < 4; ++j) {
    const std::uint64_t su = ((static_cast<std::uint64_t>(hu) >> 8) & 0xFFFFFFFFu) + std::uint64_t{cu} * j;
    const std::uint64_t sv = ((static_cast<std::uint64_t>(hv) >> 8) & 0xFFFFFFFFu) + std::uint64_t{cv} * j;
    fu[j] = static_cast<std::uint32_t>(su);
    fv[j] = static_cast<std::uint32_t>(sv);
    const std::int64_t iu = pivot_.X + (hu >> kFixedBits) + static_cast<std::int64_t>(su >> 32);
    const std::int64_t iv = pivot_.Y + (hv >> kFixedBits) + static_cast<std::int64_t>(sv >> 32);
    off[j] = static_cast<std::int32_t>(iv * stride + iu * 3);
  }
  // Four pixels on, each fraction grows by r and its integer part by q
  // (4 cu = q 2^32 + r), and by one more where the fraction wrapped.
  const std::uint64_t stepU = std::uint64_t{cu} * 4, stepV = std::uint64_t{cv} * 4;
  const __m128i sign = _mm_set1_epi32(static_cast<int>(0x80000000u));
  const __m128i ru = _mm_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(stepU)));
  const __m128i rv = _mm_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(stepV)));
  const __m128i ruSigned = _mm_xor_si128(ru, sign), rvSigned = _mm_xor_si128(rv, sign);
  const __m128i nearSigned = _mm_xor_si128(_mm_set1_epi32(static_cast<int>(2 * margin)), sign);
  const __m128i wholeSteps =
      _mm_set1_epi32(static_cast<int>(static_cast<std::int64_t>(stepU >> 32) * 3 + static_cast<std::int64_t>(stepV >> 32) * stride));
  const __m128i three = _mm_set1_epi32(3), strides = _mm_set1_epi32(static_cast<int>(stride));
  __m128i Fu = _mm_load_si128(reinterpret_cast<const __m128i*>(fu));
  __m128i Fv = _mm_load_si128(reinterpret_cast<const __m128i*>(fv));
  __m128i Off = _mm_load_si128(reinterpret_cast<const __m128i*>(off));
  // A block with a lane near a half is left for afterwards, so that the
  // loop calls nothing and keeps its constants in registers.
  std::uint32_t nearBlocks = 0;
  std::uint8_t* d = row + static_cast<std::ptrdiff_t>(a) * 3;
  for (std::int32_t i = 0; i < blocks; ++i, d += 12) {
    const __m128i nearHalf = _mm_or_si128(_mm_cmplt_epi32(_mm_xor_si128(Fu, sign), nearSigned),
                                          _mm_cmplt_epi32(_mm_xor_si128(Fv, sign), nearSigned));
    if (_mm_movemask_epi8(nearHalf) != 0) {
      nearBlocks |= std::uint32_t{1} << i;
    } else {
      _mm_store_si128(reinterpret_cast<__m128i*>(off), Off);
      std::uint32_t pixel[4];
      for (int j = 0; j < 4; ++j) std::memcpy(&pixel[j], source + off[j], 4);
      for (int j = 0; j < 4; ++j) std::memcpy(d + 3 * j, &pixel[j], 4);
    }
    Fu = _mm_add_epi32(Fu, ru);
    Fv = _mm_add_epi32(Fv, rv);
    const __m128i wrappedU = _mm_cmplt_epi32(_mm_xor_si128(Fu, sign), ruSigned);
    const __m128i wrappedV = _mm_cmplt_epi32(_mm_xor_si128(Fv, sign), rvSigned);
    Off = _mm_add_epi32(Off, _mm_add_epi32(wholeSteps, _mm_add_epi32(_mm_and_si128(wrappedU, three),
                                                                     _mm_and_si128(wrappedV, strides))));
  }
  // Those blocks pixel by pixel, three bytes each (the pixels after them
  // are drawn already).
  std::int64_t exact = 0;
  for (std::int32_t i = 0; nearBlocks != 0; ++i, nearBlocks >>= 1) {
    if ((nearBlocks & 1) == 0) continue;
    for (std::int32_t x = a + 4 * i; x < a + 4 * i + 4; ++x) {
      const TPoint e = ExactSource(x, y);
      std::memcpy(row + static_cast<std::ptrdiff_t>(x) * 3, source + e.Y * stride + e.X * 3, 3);
      ++exact;
    }
  }
  return exact;
}
#endif

std::int64_t PivotMapping::DrawRun(std::int32_t y, std::int32_t a, std::int32_t b, std::uint8_t* row,
                                   const std::uint8_t* source, std::ptrdiff_t stride, bool padded) const {
  // In locals, so that nothing is read from the object again after each
  // pixel is written.
  const std::int64_t c = cos_, sn = sin_;
  const std::uint64_t nearWidth = 2 * margin_;
  // u and v with the half and the margin added, split into the offset of
  // their integer parts in the new picture and their fractions: a fraction
  // of at least twice the margin lies more than the margin from a half, and
  // then nearest() is the integer part. Along the run each fraction grows
  // by the cosine or sine (below 1), carrying into the offset.
  const std::int64_t dy = y - pivot_.Y, dx = a - pivot_.X;
  const std::int64_t gu = dx * c - dy * sn + kHalf + static_cast<std::int64_t>(margin_);
  const std::int64_t gv = dx * sn + dy * c + kHalf + static_cast<std::int64_t>(margin_);
  const std::uint8_t* from =
      source + (pivot_.Y + (gv >> kFixedBits)) * stride + (pivot_.X + (gu >> kFixedBits)) * 3;
  std::uint64_t fu = static_cast<std::uint64_t>(gu) & kFractionMask, fv = static_cast<std::uint64_t>(gv) & kFractionMask;
  std::uint8_t* d = row + static_cast<std::ptrdiff_t>(a) * 3;
  std::int64_t exact = 0;
  // The source of pixel x: `from`, or where a fraction lies near a half,
  // the exact one.
  auto sourceOf = [&](std::int32_t x) {
    if ((fu < nearWidth) | (fv < nearWidth)) {
      const TPoint e = ExactSource(x, y);
      ++exact;
      return source + e.Y * stride + e.X * 3;
    }
    return from;
  };
  auto next = [&] {
    fu += static_cast<std::uint64_t>(c);
    from += static_cast<std::ptrdiff_t>(fu >> kFixedBits) * 3;
    fu &= kFractionMask;
    fv += static_cast<std::uint64_t>(sn);
    from += stride & -static_cast<std::ptrdiff_t>(fv >> kFixedBits);
    fv &= kFractionMask;
  };
  // Pixels are copied as four bytes, the fourth landing on the next pixel,
  // which is written next; but the run's last pixel takes three.
  const std::int32_t wideEnd = WideReads(y, a, b, padded) ? b - 1 : a;
  std::int32_t x = a;
  for (; x < wideEnd; ++x, d += 3, next()) {
    std::uint32_t pixel;
    std::memcpy(&pixel, sourceOf(x), 4);
    std::memcpy(d, &pixel, 4);
  }
  for (; x < b; ++x, d += 3, next()) {
    const std::uint8_t* s = sourceOf(x);
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
  return exact;
}

}  // namespace kestro
