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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "transition/effects/families.h"

namespace kestro {

namespace {

constexpr int kFixedBits = 40;
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

// The first x in [lo, hi) where `holds` (false, then true along x) is true;
// hi when there is none.
template <typename Pred>
std::int32_t FirstWhere(std::int32_t lo, std::int32_t hi, Pred holds) {
  while (lo < hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (holds(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
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

}  // namespace blend_detail

void BlendBytes(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress) {
  progress = std::clamp(progress, 0, 100);
  std::size_t i = 0;
#if defined(__SSE2__)
  // 16 bytes at a time in 16-bit lanes: x * weight is at most 25500, and
  // the unsigned high half of x * 41944, shifted by 6, is x div 100.
  const __m128i keep = _mm_set1_epi16(static_cast<short>(100 - progress));
  const __m128i take = _mm_set1_epi16(static_cast<short>(progress));
  const __m128i hundredth = _mm_set1_epi16(static_cast<short>(kHundredth));
  const __m128i zero = _mm_setzero_si128();
  auto part = [&](__m128i bytes, __m128i weight) {
    return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(bytes, weight), hundredth), kHundredthShift - 16);
  };
  for (; i + 16 <= count; i += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(screen + i));
    const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fresh + i));
    const __m128i lo = _mm_add_epi16(part(_mm_unpacklo_epi8(s, zero), keep), part(_mm_unpacklo_epi8(n, zero), take));
    const __m128i hi = _mm_add_epi16(part(_mm_unpackhi_epi8(s, zero), keep), part(_mm_unpackhi_epi8(n, zero), take));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(screen + i), _mm_packus_epi16(lo, hi));
  }
#endif
  blend_detail::BlendBytesPortable(screen + i, fresh + i, count - i, progress);
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

void PivotMapping::Draw(Bitmap24& screen, const Bitmap24& newPicture) {
  exact_ = 0;
  const std::int32_t w = Area(Area(Wn_, newPicture.Width()), screen.Width());
  const std::int32_t h = Area(Area(Hn_, newPicture.Height()), screen.Height());
  const std::uint8_t* source = newPicture.Bits();
  const std::size_t stride = newPicture.Stride();
  for (std::int32_t y = 0; y < h; ++y) {
    // With the cosine and sine 0 or more, both source coordinates grow
    // (never fall) along a row, so the pixels whose source lies in the
    // picture form one run [first, end).
    const std::int32_t first = FirstWhere(0, w, [&](std::int32_t x) {
      const TPoint s = Source(x, y);
      return s.X >= 0 && s.Y >= 0;
    });
    const std::int32_t end = FirstWhere(first, w, [&](std::int32_t x) {
      const TPoint s = Source(x, y);
      return s.X >= w || s.Y >= h;
    });
    if (first >= end) continue;
    const std::int64_t dy = y - pivot_.Y, dx = first - pivot_.X;
    std::int64_t u = dx * cos_ - dy * sin_ + kHalf, v = dx * sin_ + dy * cos_ + kHalf;
    std::uint8_t* d = screen.ScanLine(y) + static_cast<std::size_t>(first) * 3;
    for (std::int32_t x = first; x < end; ++x, u += cos_, v += sin_, d += 3) {
      std::int32_t sx, sy;
      if (Near(u) || Near(v)) {
        const TPoint s = ExactSource(x, y);
        sx = s.X;
        sy = s.Y;
        ++exact_;
      } else {
        sx = pivot_.X + static_cast<std::int32_t>(u >> kFixedBits);
        sy = pivot_.Y + static_cast<std::int32_t>(v >> kFixedBits);
      }
      const std::uint8_t* s = source + static_cast<std::size_t>(sy) * stride + static_cast<std::size_t>(sx) * 3;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
}

}  // namespace kestro
