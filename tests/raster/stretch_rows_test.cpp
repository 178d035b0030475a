// The row copiers of StretchCopy (with and without the processor's byte
// shuffles) against the per-axis mapping they carry out: blocks, groups and
// single pixels, rows without padding (whose last pixel ends the bitmap's
// memory), copies within one bitmap in either row order, and clipped copies.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "raster/region.h"
#include "raster/stretch.h"

namespace kestro {
namespace {

struct Lcg {
  std::uint32_t s;
  std::uint32_t Next() { return s = s * 1664525u + 1013904223u; }
  int In(int lo, int hi) { return lo + static_cast<int>((Next() >> 8) % static_cast<std::uint32_t>(hi - lo + 1)); }
};

Bitmap24 Noise(int w, int h, Lcg& rng) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, rng.Next() & 0xFFFFFF);
  return b;
}

// The stretch done pixel by pixel from the two axes.
void Reference(Bitmap24& dst, const TRect& d, const Bitmap24& src, const TRect& s) {
  const StretchAxis xs = BuildStretchAxis(src.Width(), dst.Width(), s.Left, s.Width(), d.Left, d.Width(), false);
  const StretchAxis ys = BuildStretchAxis(src.Height(), dst.Height(), s.Top, s.Height(), d.Top, d.Height(), true);
  const Bitmap24 from = src;  // the source as it was
  for (std::size_t j = 0; j < ys.source.size(); ++j)
    for (std::size_t i = 0; i < xs.source.size(); ++i)
      dst.SetPixel(xs.first + static_cast<int>(i), ys.first + static_cast<int>(j),
                   from.GetPixel(xs.source[i], ys.source[j]));
}

TRect RandomRect(Lcg& rng, int w, int h) {
  TRect r;
  r.Left = rng.In(-w / 2, w);
  r.Top = rng.In(-h / 2, h);
  r.Right = r.Left + rng.In(1, 2 * w);
  r.Bottom = r.Top + rng.In(1, 2 * h);
  if (rng.In(0, 9) == 0) std::swap(r.Left, r.Right);
  if (rng.In(0, 9) == 0) std::swap(r.Top, r.Bottom);
  return r;
}

class StretchCopyRows : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    shuffles_ = raster_detail::UseByteShuffle(GetParam());
    if (GetParam() && !shuffles_) GTEST_SKIP() << "no byte shuffles on this processor";
  }
  void TearDown() override { raster_detail::UseByteShuffle(true); }
  bool shuffles_ = false;
};

TEST_P(StretchCopyRows, MatchTheAxisMapping) {
  Lcg rng{12345};
  for (int i = 0; i < 3000; ++i) {
    // Widths that are multiples of 4 leave the rows without padding.
    const int sw = rng.In(0, 1) ? 4 * rng.In(1, 20) : rng.In(1, 70), sh = rng.In(1, 30);
    const int dw = rng.In(1, 70), dh = rng.In(1, 30);
    const Bitmap24 src = Noise(sw, sh, rng);
    Bitmap24 dst = Noise(dw, dh, rng), expected = dst;
    TRect s = rng.In(0, 2) == 0 ? TRect{0, 0, sw, sh} : RandomRect(rng, sw, sh);
    const TRect d = RandomRect(rng, dw, dh);
    Reference(expected, d, src, s);
    StretchCopy(dst, d, src, s);
    ASSERT_EQ(dst, expected) << i;
  }
}

TEST_P(StretchCopyRows, WithinOneBitmapReadTheSourceAsItWas) {
  Lcg rng{777};
  for (int i = 0; i < 3000; ++i) {
    const int w = rng.In(0, 1) ? 4 * rng.In(1, 16) : rng.In(1, 64), h = rng.In(1, 40);
    Bitmap24 b = Noise(w, h, rng), expected = b;
    TRect s{0, 0, w, h}, d{0, 0, w, h};
    switch (rng.In(0, 3)) {
      case 0:  // moved along one axis, as a push does
        if (rng.In(0, 1)) {
          const int k = rng.In(0, w);
          s = rng.In(0, 1) ? TRect{0, 0, w - k, h} : TRect{k, 0, w, h};
          d = rng.In(0, 1) ? TRect{k, 0, w, h} : TRect{0, 0, w - k, h};
        } else {
          const int k = rng.In(0, h);
          s = rng.In(0, 1) ? TRect{0, 0, w, h - k} : TRect{0, k, w, h};
          d = rng.In(0, 1) ? TRect{0, k, w, h} : TRect{0, 0, w, h - k};
        }
        break;
      case 1: {  // the whole squeezed into a part, or a part spread over the whole
        const int k = rng.In(0, std::max(w, h));
        d = rng.In(0, 1) ? TRect{std::min(k, w), 0, w, h} : TRect{0, std::min(k, h), w, h};
        if (rng.In(0, 1)) std::swap(s, d);
        break;
      }
      default:
        s = RandomRect(rng, w, h);
        s = Intersect(s, TRect{0, 0, w, h});
        if (s.IsEmpty()) s = TRect{0, 0, w, h};
        d = RandomRect(rng, w, h);
        break;
    }
    Reference(expected, d, b, s);
    StretchCopy(b, d, b, s);
    ASSERT_EQ(b, expected) << i << ": " << d.Left << "," << d.Top << "," << d.Right << "," << d.Bottom << " <- "
                           << s.Left << "," << s.Top << "," << s.Right << "," << s.Bottom << " on " << w << "x" << h;
  }
}

TEST_P(StretchCopyRows, ClippedCopiesWriteOnlyInsideTheClip) {
  Lcg rng{99};
  for (int i = 0; i < 1000; ++i) {
    const int w = rng.In(1, 60), h = rng.In(1, 30);
    Bitmap24 b = Noise(w, h, rng);
    const Bitmap24 before = b;
    const bool self = rng.In(0, 1) == 1;
    const Bitmap24 other = Noise(w, h, rng);
    const TRect s = self ? TRect{0, 0, w, h} : RandomRect(rng, w, h);
    const TRect d = RandomRect(rng, w, h);
    const Region clip = Region::FromRect(rng.In(0, w), rng.In(0, h), rng.In(0, w), rng.In(0, h)) |
                        Region::FromRect(rng.In(0, w), rng.In(0, h), rng.In(0, w), rng.In(0, h));
    Bitmap24 whole = b;
    Reference(whole, d, self ? b : other, s);
    StretchCopy(b, d, self ? b : other, s, clip);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(b.GetPixel(x, y), clip.Contains(x, y) ? whole.GetPixel(x, y) : before.GetPixel(x, y)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Copiers, StretchCopyRows, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Shuffled" : "Plain"; });

}  // namespace
}  // namespace kestro
