// The turning effects' cosines and sines and their exact nearest(): the
// table against the platform's long double cosl, nearest() against an
// independent exact computation in binary128 (whose 113-bit significand
// holds the products and sums exactly), and a recomputation of the whole
// pivot and rotation arithmetic in long double, which must agree wherever
// the long double result is not within its own error of a half.

#include "common/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace kestro {
namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

TEST(Angles, TheTableHoldsTheNearestExtendedValues) {
  for (std::int32_t k = 0; k <= 100; ++k) {
    const AngleCosSin a = CosSinOfSteps(k);
    const long double angle = k * kPi / 200;
    // cosl and sinl of an angle that is itself rounded: within two units in
    // the last place of the 64-bit significand, plus what the angle's own
    // rounding moves them.
    const long double moved = k == 0 ? 0 : std::ldexp(1.0L, std::ilogb(angle) - 62);
    auto ulp = [](long double v) { return v == 0 ? 0 : std::ldexp(1.0L, std::ilogb(v) - 63); };
    if (k < 100) {
      EXPECT_LE(std::fabs(a.cos.ToLongDouble() - std::cos(angle)), 2 * ulp(std::cos(angle)) + moved) << k;
      EXPECT_GE(a.cos.significand >> 63, 1u) << "normalised: " << k;
    }
    EXPECT_LE(std::fabs(a.sin.ToLongDouble() - std::sin(angle)), 2 * ulp(std::sin(angle)) + moved) << k;
    const long double one = a.cos.ToLongDouble() * a.cos.ToLongDouble() + a.sin.ToLongDouble() * a.sin.ToLongDouble();
    EXPECT_LE(std::fabs(one - 1), 0x1p-61L) << k;
  }
  // The angles where both are exact.
  EXPECT_EQ(CosSinOfSteps(0).cos.ToLongDouble(), 1.0L);
  EXPECT_EQ(CosSinOfSteps(0).sin.significand, 0u);
  EXPECT_EQ(CosSinOfSteps(100).cos.significand, 0u);
  EXPECT_EQ(CosSinOfSteps(100).sin.ToLongDouble(), 1.0L);
}

TEST(Angles, QuadrantsAndTurnsFollowFromTheFirstQuadrant) {
  auto same = [](const AngleValue& a, const AngleValue& b) {
    return a.ToLongDouble() == b.ToLongDouble();
  };
  for (std::int32_t s = -900; s <= 900; ++s) {
    const AngleCosSin a = CosSinOfSteps(s);
    EXPECT_TRUE(same(a.cos, CosSinOfSteps(-s).cos)) << s;
    EXPECT_TRUE(same(a.sin, -CosSinOfSteps(-s).sin)) << s;
    EXPECT_TRUE(same(a.cos, CosSinOfSteps(s + 400).cos)) << s;
    EXPECT_TRUE(same(CosSinOfSteps(s + 100).cos, -a.sin)) << s;  // cos(x + pi/2) = -sin x
    EXPECT_TRUE(same(CosSinOfSteps(s + 100).sin, a.cos)) << s;
    const long double angle = s * kPi / 200;
    EXPECT_NEAR(static_cast<double>(a.cos.ToLongDouble()), std::cos(static_cast<double>(angle)), 1e-15) << s;
    EXPECT_NEAR(static_cast<double>(a.sin.ToLongDouble()), std::sin(static_cast<double>(angle)), 1e-15) << s;
  }
}

TEST(Angles, HalvesGoToTheEvenNeighbour) {
  const AngleValue half{std::uint64_t{1} << 63, 64, false};      // 0.5
  const AngleValue quarter{std::uint64_t{1} << 63, 65, false};   // 0.25
  EXPECT_EQ(NearestOfSum(1, half, 0, AngleValue{}), 0);
  EXPECT_EQ(NearestOfSum(3, half, 0, AngleValue{}), 2);
  EXPECT_EQ(NearestOfSum(5, half, 0, AngleValue{}), 2);
  EXPECT_EQ(NearestOfSum(-1, half, 0, AngleValue{}), 0);
  EXPECT_EQ(NearestOfSum(-3, half, 0, AngleValue{}), -2);
  EXPECT_EQ(NearestOfSum(1, half, 1, quarter), 1) << "0.75";
  EXPECT_EQ(NearestOfSum(1, half, -1, quarter), 0) << "0.25";
  EXPECT_EQ(NearestOfSum(3, half, 4, -quarter), 0) << "1.5 - 1 = 0.5";
  EXPECT_EQ(NearestOfSum(7, quarter, 0, AngleValue{}), 2) << "1.75";
  // Just above and below a half by the least amount the table can hold.
  const AngleValue halfAndUlp{(std::uint64_t{1} << 63) + 1, 64, false};
  EXPECT_EQ(NearestOfSum(1, halfAndUlp, 0, AngleValue{}), 1);
  EXPECT_EQ(NearestOfSum(-1, halfAndUlp, 0, AngleValue{}), -1);
  EXPECT_EQ(NearestOfSum(1, halfAndUlp, -1, AngleValue{1, 64, false}), 0) << "exactly 0.5 again";
  // The largest products: 2^31 times a significand near 2^64.
  const AngleValue nearOne{~std::uint64_t{0}, 64, false};
  EXPECT_EQ(NearestOfSum(INT32_MIN, nearOne, INT32_MIN, nearOne), -4294967296LL);
  EXPECT_EQ(NearestOfSum(INT32_MAX, CosSinOfSteps(0).cos, INT32_MAX, CosSinOfSteps(0).cos), 4294967294LL);
}

TEST(Angles, FixedPointIsWithinHalfAUnit) {
  for (std::int32_t k = -100; k <= 500; k += 3) {
    const AngleCosSin a = CosSinOfSteps(k);
    for (int bits : {0, 1, 20, 40, 62}) {
      const long double exact = std::ldexp(a.cos.ToLongDouble(), bits);
      EXPECT_LE(std::fabs(static_cast<long double>(FixedPoint(a.cos, bits)) - exact), 0.5L) << k << " " << bits;
    }
  }
}

#if defined(__SIZEOF_FLOAT128__)

using Quad = __float128;

Quad ToQuad(const AngleValue& v) {
  // significand * 2^-scale, split so that each half converts exactly.
  const Quad hi = static_cast<Quad>(static_cast<double>(v.significand >> 32)) * 4294967296.0;
  const Quad lo = static_cast<Quad>(static_cast<double>(v.significand & 0xFFFFFFFFu));
  Quad r = hi + lo;
  for (int i = 0; i < v.scale; ++i) r /= 2;
  return v.negative ? -r : r;
}

// Nearest integer, halves to even, of an exactly held value.
std::int64_t NearestQuad(Quad x) {
  auto f = static_cast<std::int64_t>(x);  // toward zero
  if (static_cast<Quad>(f) > x) --f;       // floor
  const Quad rest = x - static_cast<Quad>(f);
  if (rest > static_cast<Quad>(0.5) || (rest == static_cast<Quad>(0.5) && (f & 1) != 0)) ++f;
  return f;
}

TEST(Angles, NearestOfSumIsTheExactNearest) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<std::int32_t> coord(-(1 << 22), 1 << 22), steps(-400, 800);
  for (int i = 0; i < 200000; ++i) {
    const AngleCosSin a = CosSinOfSteps(steps(rng));
    const std::int32_t dx = i % 3 == 0 ? coord(rng) % 50 : coord(rng), dy = coord(rng);
    const Quad exact = static_cast<Quad>(dx) * ToQuad(a.cos) - static_cast<Quad>(dy) * ToQuad(a.sin);
    ASSERT_EQ(NearestOfSum(dx, a.cos, dy, -a.sin), NearestQuad(exact)) << dx << " " << dy;
  }
}

// The pivots' and rotations' arithmetic recomputed as the platform's long
// double does it (cosl and sinl of the rounded angle, extended products):
// the same integer wherever the long double value is farther from a half
// than its own error can reach; the cases nearer a half are counted and
// must be the exact nearest.
TEST(Angles, LongDoubleRecomputationAgreesAwayFromHalves) {
  if (sizeof(long double) < 10) GTEST_SKIP() << "long double has no 64-bit significand here";
  std::mt19937_64 rng(5);
  long nearHalf = 0, compared = 0;
  struct Angle {
    long double cos, sin;
    AngleCosSin ours;
  };
  auto angleOf = [](std::int32_t steps) {
    const long double angle = steps * kPi / 200;
    return Angle{std::cos(angle), std::sin(angle), CosSinOfSteps(steps)};
  };
  auto check = [&](const Angle& a, std::int32_t dx, std::int32_t dy) {
    const long double v = dx * a.cos - dy * a.sin;
    const std::int64_t ours = NearestOfSum(dx, a.ours.cos, dy, -a.ours.sin);
    const long double distance = std::fabs(v - std::floor(v) - 0.5L);
    // |dx| and |dy| times a few units in the last place of cosl and sinl.
    const long double bound =
        (std::fabs(static_cast<long double>(dx)) + std::fabs(static_cast<long double>(dy)) + 1) * 0x1p-60L;
    ++compared;
    if (distance <= bound) {
      ++nearHalf;
      ASSERT_EQ(ours, NearestQuad(static_cast<Quad>(dx) * ToQuad(a.ours.cos) - static_cast<Quad>(dy) * ToQuad(a.ours.sin)));
      return;
    }
    ASSERT_EQ(ours, static_cast<std::int64_t>(std::floor(v + 0.5L))) << dx << " " << dy;
  };
  // Every pivot angle over a 300 x 200 picture's pixels about each corner.
  for (std::int32_t p = 1; p <= 99; ++p) {
    const Angle a = angleOf(100 - p);
    for (std::int32_t dy = -200; dy <= 201; dy += 3) {
      for (std::int32_t dx = -300; dx <= 301; dx += 1) check(a, dx, dy);
    }
  }
  // The rotations and the sweeps' steps, with large coordinates.
  std::uniform_int_distribution<std::int32_t> coord(-(1 << 20), 1 << 20);
  for (std::int32_t s = -400; s <= 400; s += 4) {
    const Angle a = angleOf(s);
    for (int i = 0; i < 2000; ++i) check(a, coord(rng), coord(rng));
  }
  // Single products, as the clock sweeps make them.
  for (std::int32_t steps = 1; steps < 100; ++steps) {
    const Angle a = angleOf(steps);
    for (std::int32_t dx = 1; dx < 4000; dx += 7) check(a, dx, 0);
  }
  EXPECT_GT(compared, 1000000);
  std::printf("  %ld of %ld values within the long double's error of a half\n", nearHalf, compared);
}

#endif  // __SIZEOF_FLOAT128__

}  // namespace
}  // namespace kestro
