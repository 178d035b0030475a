// The blend and the pivots against a plain reference of their arithmetic:
// every byte pair of the blend at every progress; whole pivot frames over
// many sizes at every progress against the turned picture computed in long
// double from cosl and sinl (values within the long double's own error of a
// half decided in binary128 instead, and counted); the fixed-point fast path
// against the exact computation where halves are near; the Part's edge
// cases; new pictures smaller and larger than the screen.

#include "transition/effects/blend_pivot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "display_fixture.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"
#include "transition/effects/families.h"

namespace kestro::testing {
namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

Bitmap24 Frame(int number, const Bitmap24& old, const Bitmap24& picture, int progress) {
  Bitmap24 screen = old;
  EffectFrame frame;
  EXPECT_TRUE(DrawEffectFrame(number, screen, picture, 4, progress, frame));
  return screen;
}

Bitmap24 Noise(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = static_cast<std::uint8_t>(rng());
  }
  return b;
}

TEST(Blend, EveryBytePairAtEveryProgress) {
  std::vector<std::uint8_t> olds(65536 + 5), news(65536 + 5);
  for (int i = 0; i < 65536 + 5; ++i) {
    olds[i] = static_cast<std::uint8_t>(i & 255);
    news[i] = static_cast<std::uint8_t>((i >> 8) & 255);
  }
  // Every way of blending this build has, each over the whole row (the
  // vector ones over the blocks they take, the rest left as it was).
  using Way = std::size_t (*)(std::uint8_t*, const std::uint8_t*, std::size_t, std::int32_t);
  std::vector<std::pair<const char*, Way>> ways{
      {"BlendBytes", [](std::uint8_t* s, const std::uint8_t* n, std::size_t c, std::int32_t p) {
         BlendBytes(s, n, c, p);
         return c;
       }},
      {"portable", [](std::uint8_t* s, const std::uint8_t* n, std::size_t c, std::int32_t p) {
         blend_detail::BlendBytesPortable(s, n, c, p);
         return c;
       }}};
#if defined(__SSE2__)
  ways.push_back({"SSE2", blend_detail::BlendBytesSse2});
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  if (blend_detail::HasAvx2()) ways.push_back({"AVX2", blend_detail::BlendBytesAvx2});
#endif
  for (const auto& [name, blend] : ways) {
    for (int p = 0; p <= 100; ++p) {
      std::vector<std::uint8_t> row = olds;
      const std::size_t done = blend(row.data(), news.data(), row.size(), p);
      ASSERT_GE(done + 31, row.size()) << name;
      for (std::size_t i = 0; i < olds.size(); ++i) {
        const int expected = i < done ? olds[i] * (100 - p) / 100 + p * news[i] / 100 : olds[i];
        ASSERT_EQ(row[i], expected) << name << ": old " << int(olds[i]) << " new " << int(news[i]) << " at " << p;
      }
    }
  }
}

TEST(Blend, TheTwoDivisionsTruncateSeparately) {
  const Bitmap24 old(3, 2, RGBColor(200, 255, 0)), picture(3, 2, RGBColor(100, 255, 255));
  // 200 and 100 at 50: 100 + 50; 255 and 255: 127 + 127.
  EXPECT_EQ(Frame(118, old, picture, 50).GetPixel(2, 1), RGBColor(150, 254, 127));
  // 255 and 255 at 99: 2 + 252, not 255.
  EXPECT_EQ(Frame(118, old, picture, 99).GetPixel(0, 0), RGBColor(101, 254, 252));
  EXPECT_EQ(Frame(118, old, picture, 100), picture);
  EXPECT_EQ(Frame(118, old, picture, 0), old);
  // Frames do not build on each other: the same frame from the same old picture.
  EXPECT_EQ(Frame(118, old, picture, 37), Frame(118, old, picture, 37));
}

// The plain reference: the Part's pivot in long double, pixel by pixel.
struct PivotReference {
  long nearHalves = 0;

  static std::int64_t Round(long double v) { return static_cast<std::int64_t>(std::nearbyint(v)); }

  // nearest() of the long double value, or of the exact value (binary128
  // with the table's constants) when the long double one is within its
  // error of a half.
  std::int64_t Nearest(long double v, int dx, int dy, const AngleValue& c1, int sign, const AngleValue& c2) {
    const long double distance = std::fabs(v - std::floor(v) - 0.5L);
    if (distance > (std::abs(dx) + std::abs(dy) + 1) * 0x1p-60L) return Round(v);
    ++nearHalves;
#if defined(__SIZEOF_FLOAT128__)
    auto quad = [](const AngleValue& a) {
      __float128 r = static_cast<__float128>(static_cast<double>(a.significand >> 32)) * 4294967296.0 +
                     static_cast<__float128>(static_cast<double>(a.significand & 0xFFFFFFFFu));
      for (int i = 0; i < a.scale; ++i) r /= 2;
      return a.negative ? -r : r;
    };
    const __float128 exact = dx * quad(c1) + sign * dy * quad(c2);
    auto f = static_cast<std::int64_t>(exact);
    if (static_cast<__float128>(f) > exact) --f;
    const __float128 rest = exact - f;
    if (rest > static_cast<__float128>(0.5) || (rest == static_cast<__float128>(0.5) && (f & 1) != 0)) ++f;
    return f;
#else
    return Round(v);
#endif
  }

  Bitmap24 Draw(int number, const Bitmap24& old, const Bitmap24& picture, int p) {
    Bitmap24 screen = old;
    const int Wn = picture.Width(), Hn = picture.Height(), Ws = screen.Width(), Hs = screen.Height();
    const long double theta = (100 - p) * kPi / 200;
    const long double sn = std::sin(theta), cs = std::cos(theta);
    const AngleCosSin exact = CosSinOfSteps(100 - p);
    const int x0 = number == 119 || number == 120 ? -1 : Wn;
    const int y0 = number == 119 || number == 121 ? -1 : Hn;
    for (int y = 0; y < std::min(Hn, Hs); ++y) {
      for (int x = 0; x < std::min(Wn, Ws); ++x) {
        const int dx = x - x0, dy = y - y0;
        const std::int64_t sx = x0 + Nearest(dx * cs - dy * sn, dx, dy, exact.cos, -1, exact.sin);
        const std::int64_t sy = y0 + Nearest(dx * sn + dy * cs, dx, dy, exact.sin, 1, exact.cos);
        if (sx >= 0 && sx < std::min(Ws, Wn) && sy >= 0 && sy < std::min(Hs, Hn)) {
          screen.SetPixel(x, y, picture.GetPixel(static_cast<int>(sx), static_cast<int>(sy)));
        }
      }
    }
    return screen;
  }
};

TEST(Pivot, FramesAreThePlainComputation) {
  PivotReference reference;
  std::vector<std::pair<int, int>> sizes{{1, 1}, {2, 3}, {3, 2}, {17, 9}, {64, 48}, {48, 64}, {301, 200}, {200, 301}};
  std::mt19937 rng(8);
  for (int i = 0; i < 4; ++i) {
    sizes.push_back({std::uniform_int_distribution<int>(1, 400)(rng), std::uniform_int_distribution<int>(1, 300)(rng)});
  }
  for (const auto& [w, h] : sizes) {
    const Bitmap24 old = Noise(w, h, 1), picture = Noise(w, h, 2);
    for (int number = 119; number <= 122; ++number) {
      for (int p = 1; p <= 99; p += (w * h > 10000 ? 13 : w * h > 1000 ? 5 : 1)) {
        ASSERT_EQ(Frame(number, old, picture, p), reference.Draw(number, old, picture, p))
            << number << " on " << w << "x" << h << " at " << p;
      }
    }
  }
  std::printf("  %ld values within the long double's error of a half\n", reference.nearHalves);
}

// The vector path (four pixels at a time, 32-bit fractions) and the
// portable one draw the same frames, pictures with and without row padding,
// on sizes around the tiles' and the blocks'. At 1920 x 1080 the frames of
// 57 and 74 (and 33 for 122) hold blocks of four with a value near a half,
// which the vector path leaves to the exact computation.
TEST(Pivot, EveryPathDrawsTheSameFrames) {
  long exact = 0;
  for (const auto& [w, h] : {std::pair{64, 48}, {65, 33}, {128, 64}, {129, 20}, {200, 131}, {7, 300}, {300, 7}, {1920, 1080}}) {
    const Bitmap24 old = Noise(w, h, 11), picture = Noise(w, h, 12);
    std::vector<int> progress{1, 33, 57, 74, 99};
    if (w * h < 100000) {
      for (int p = 2; p <= 98; p += 3) progress.push_back(p);
    }
    for (int number = 119; number <= 122; ++number) {
      for (int p : progress) {
        Bitmap24 best = old, portable = old;
        PivotMapping vector(number, w, h, p);
        vector.Draw(best, picture);
        exact += vector.ExactCount();
        PivotMapping(number, w, h, p).Draw(portable, picture, PivotMapping::PivotPath::kPortable);
        ASSERT_EQ(best, portable) << number << " on " << w << "x" << h << " at " << p;
      }
    }
  }
  EXPECT_GT(exact, 0) << "no value near a half: the exact path went untried";
}

TEST(Pivot, AtOneAlmostEverythingIsStillOld) {
  const Bitmap24 old = Noise(400, 300, 3), picture = Noise(400, 300, 4);
  for (int number = 119; number <= 122; ++number) {
    const Bitmap24 f = Frame(number, old, picture, 1);
    long changed = 0;
    for (int y = 0; y < 300; ++y) {
      for (int x = 0; x < 400; ++x) changed += f.GetPixel(x, y) != old.GetPixel(x, y);
    }
    EXPECT_LT(changed, 400 * 300 / 20) << number;
  }
}

TEST(Pivot, AtNinetyNineNearThePivotNothingMoves) {
  // 122 at 99: pi / 200 about (W, H).
  const int w = 400, h = 300;
  const PivotMapping m(122, w, h, 99);
  EXPECT_EQ(m.Pivot(), (TPoint{w, h}));
  EXPECT_EQ(m.Source(w - 1, h - 1), (TPoint{w - 1, h - 1}));
  EXPECT_EQ(m.Source(w - 3, h - 2), (TPoint{w - 3, h - 2}));
  // Far from it, a few pixels: (0, 0) is 400, 300 away: turned by 0.9 degrees.
  const TPoint far = m.Source(0, 0);
  EXPECT_EQ(far, (TPoint{5, -6}));  // (0, 0) turned 0.9 degrees about (400, 300)
  const Bitmap24 old = Noise(w, h, 5), picture = Noise(w, h, 6);
  const Bitmap24 f = Frame(122, old, picture, 99);
  EXPECT_EQ(f.GetPixel(0, 0), old.GetPixel(0, 0)) << "its source lies outside";
  EXPECT_EQ(f.GetPixel(w - 1, h - 1), picture.GetPixel(w - 1, h - 1));
}

TEST(Pivot, ANewPictureSmallerThanTheScreenIsProcessedOverItsOwnSize) {
  const Bitmap24 old = Noise(50, 40, 7), picture = Noise(30, 20, 8);
  PivotReference reference;
  for (int number : {118, 119, 120, 121, 122}) {
    for (int p : {1, 30, 50, 99}) {
      Bitmap24 screen = old;
      const TEffectExtents e = EffectExtents(picture.Bounds(), p, 4);
      EffectPlan plan;
      ASSERT_TRUE(PlanEffect(number, e, p, plan));
      ASSERT_NE(plan.pixels, nullptr);
      plan.pixels(number, e, p, screen, picture);
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 50; ++x) {
          if (x >= 30 || y >= 20) {
            ASSERT_EQ(screen.GetPixel(x, y), old.GetPixel(x, y)) << number << " " << x << "," << y;
          }
        }
      }
      if (number != 118) {
        EXPECT_EQ(screen, reference.Draw(number, old, picture, p)) << number << " at " << p;
      }
      // And a new picture larger than the screen writes only the screen.
      Bitmap24 small = Noise(20, 10, 9);
      plan.pixels(number, e, p, small, picture);
    }
  }
}

// On a picture of a million pixels a side the fixed-point error reaches
// 2^-21, so some values land within it of a half: those must be decided
// exactly, and the fast path's answer is then the exact one everywhere.
// So near a half, the long double's error (2^-39 there) still decides, and
// it must decide the same.
TEST(Pivot, TheFastPathDefersToTheExactComputationNearHalves) {
  const int side = 1000000;
  long near = 0, checked = 0;
  for (int p : {1, 17, 50, 63, 99}) {
    const PivotMapping m(119, side, side, p);
    const AngleCosSin a = CosSinOfSteps(100 - p);
    const std::int64_t c = FixedPoint(a.cos, 40), s = FixedPoint(a.sin, 40);
    for (int y = 0; y < side; y += 99991) {
      for (int x = 0; x < side; ++x) {
        // The fixed-point value's distance from a half, in units of 2^-40.
        const std::int64_t u = std::int64_t{x + 1} * c - std::int64_t{y + 1} * s + (std::int64_t{1} << 39);
        const std::int64_t f = u & ((std::int64_t{1} << 40) - 1);
        if (std::min(f, (std::int64_t{1} << 40) - f) > side) continue;
        ++near;
        ASSERT_EQ(m.Source(x, y), m.ExactSource(x, y)) << x << "," << y << " at " << p;
        const long double theta = (100 - p) * kPi / 200;
        const long double v = (x + 1) * std::cos(theta) - (y + 1) * std::sin(theta);
        ASSERT_EQ(m.Source(x, y).X, -1 + static_cast<std::int64_t>(std::floor(v + 0.5L))) << x << "," << y;
      }
    }
    for (int i = 0; i < 20000; ++i, ++checked) {
      const int x = (i * 7919) % side, y = (i * 104729) % side;
      ASSERT_EQ(m.Source(x, y), m.ExactSource(x, y)) << x << "," << y << " at " << p;
    }
  }
  EXPECT_GT(near, 10) << "the scan found values near halves";
}

TEST(BlendPivot, TheFamilyDrawsItsTableRows) {
  EXPECT_EQ(FamilyMembers(kBlendPivotEffects), (std::vector<int>{118, 119, 120, 121, 122}));
  for (int n = 119; n <= 122; ++n) EXPECT_EQ(PivotOf(n, 30, 20), (TPoint{n == 121 || n == 122 ? 30 : -1, n == 120 || n == 122 ? 20 : -1}));
}

}  // namespace
}  // namespace kestro::testing
